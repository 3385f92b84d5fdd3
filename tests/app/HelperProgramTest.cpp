#include "app/ApplicationBusClient.h"
#include "app/ApplicationService.h"
#include "app/BusNotificationCenter.h"
#include "app/BusTestSupport.h"
#include "shell/FileMessage.h"
#include "shell/MonitorTrashDistributedNotificationNames.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <unistd.h>

using namespace testing_support;
using platform::PlistValue;
using Names = MonitorTrashDistributedNotificationNames;

namespace {

const std::string kHelper = "com.halvorn.Sweepwise-SIII-Helper";

std::map<std::string, std::string> withHome(const std::string& home) {
    auto environment = programEnvironment();
    environment["SWEEPWISE_HOME"] = home;
    return environment;
}

// A helper started in its own home folder, and known to be ready: it claims its
// name only once it answers requests.
std::unique_ptr<ChildProgram> startHelper(const std::string& home) {
    auto helper = std::make_unique<ChildProgram>(helperExecutable(), std::vector<std::string>{},
                                                 withHome(home));
    QDBusConnection bus = PrivateBus::connect("starter");
    bool ready = runEventsUntil(
        [&] { return ApplicationBusClient::isRunning(bus, kHelper) || !helper->isRunning(); });
    EXPECT_TRUE(ready && helper->isRunning()) << helper->standardError();
    return helper;
}

void stopHelper(std::unique_ptr<ChildProgram>& helper) {
    helper.reset();
    QDBusConnection bus = PrivateBus::connect("starter");
    EXPECT_TRUE(runEventsUntil([&] { return !ApplicationBusClient::isRunning(bus, kHelper); }));
}

} // namespace

TEST(HelperProgram, AnswersTheFullDiskAccessQuery) {
    // The helper decides by listing the home folder's Library/Safari.
    struct Case {
        const char* what;
        std::vector<std::string> probeFiles;
        bool makeProbe;
        bool granted;
    };
    const Case cases[] = {
        {"probe folder missing", {}, false, false},
        {"probe folder empty", {}, true, false},
        {"probe folder readable", {"History.db"}, true, true},
    };

    // dbus-monitor shows what really went over the bus, read by a client we did not write.
    ChildProgram monitor(
        "dbus-monitor",
        {"--address", PrivateBus::address(),
         "type='signal',interface='com.halvorn.Sweepwise.DistributedNotification'"});
    ASSERT_TRUE(monitor.waitForOutput("NameLost")) << monitor.standardError();

    QDBusConnection bus = PrivateBus::connect("asker");
    auto center = BusNotificationCenter::create(bus);
    ASSERT_NE(center, nullptr);
    std::vector<PlistValue> answers;
    center->addObserver(Names::responseFullDiskAccessState,
                        [&](const auto&, const auto& object, const PlistValue& userInfo) {
                            EXPECT_EQ(object, std::nullopt);
                            answers.push_back(userInfo);
                        });

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string home = Sandbox::process().makeFolder("home");
        if (c.makeProbe)
            makeDirs(home + "/Library/Safari");
        for (const std::string& name : c.probeFiles)
            writeFile(home + "/Library/Safari/" + name, "x");
        auto helper = startHelper(home);

        // The main-application side asks and prints the answer ...
        ChildProgram ask(mainExecutable(), {"fda"}, programEnvironment());
        ASSERT_TRUE(ask.waitForExit());
        EXPECT_EQ(ask.exitCode(), 0) << ask.standardError();
        EXPECT_EQ(ask.standardOutput(), std::string("Full Disk Access: ") +
                                            (c.granted ? "granted" : "not granted") + "\n");

        // ... and the answer is a boolean for every listener on the bus.
        ASSERT_TRUE(runEventsUntil([&] { return !answers.empty(); }));
        ASSERT_EQ(answers.size(), 1u) << "one request, one answer";
        const PlistValue* flag = answers[0].get(Names::isAccessGranted);
        ASSERT_NE(flag, nullptr);
        EXPECT_EQ(flag->kind(), PlistValue::Kind::Boolean);
        EXPECT_EQ(flag->asBoolean(), c.granted);
        answers.clear();
        stopHelper(helper);
    }

    // Request and answer as dbus-monitor printed them, in order, the answer with a
    // D-Bus boolean inside its dictionary.
    ASSERT_TRUE(monitor.waitForOutput("boolean true"));
    std::string seen = monitor.standardOutput();
    std::regex answer(std::string("member=Notification\\s+string \"") +
                      Names::responseFullDiskAccessState +
                      "\"\\s+array \\[\\s+\\]\\s+array \\[\\s+dict entry\\(\\s+string \"" +
                      Names::isAccessGranted + "\"\\s+variant\\s+boolean (true|false)");
    std::vector<std::string> values;
    for (auto it = std::sregex_iterator(seen.begin(), seen.end(), answer);
         it != std::sregex_iterator(); ++it)
        values.push_back((*it)[1]);
    EXPECT_EQ(values, (std::vector<std::string>{"false", "false", "true"})) << seen;
    std::size_t requests = 0;
    for (std::size_t at = seen.find(Names::requestFullDiskAccessState); at != std::string::npos;
         at = seen.find(Names::requestFullDiskAccessState, at + 1))
        ++requests;
    EXPECT_EQ(requests, 3u);
}

TEST(HelperProgram, TheQuestionTimesOutWhenNobodyAnswers) {
    // Something owns the helper's name but never answers.
    QDBusConnection own = PrivateBus::connect("silent");
    auto silent = ApplicationService::claim(own, kHelper);
    ASSERT_NE(silent, nullptr);
    ChildProgram ask(mainExecutable(), {"fda", "--timeout", "1"}, programEnvironment());
    ASSERT_TRUE(ask.waitForExit());
    EXPECT_EQ(ask.exitCode(), 3);
    EXPECT_EQ(ask.standardError(), "Sweepwise: no answer from the helper within 1 s\n");
}

namespace {

void makeApp(const std::string& path, const std::string& identifier) {
    makeDirs(path + "/Contents/MacOS");
    writeFile(path + "/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
              "<key>CFBundleIdentifier</key><string>" +
                  identifier + "</string></dict></plist>");
}

void move(const std::string& from, const std::string& to) {
    ASSERT_EQ(std::rename(from.c_str(), to.c_str()), 0) << from << " -> " << to;
}

// Waits until the helper has read the command file it was last handed: it logs the
// file when it arrives and deletes it as it reads it.
void waitUntilRead(ChildProgram& helper, std::size_t count) {
    const std::string marker = "SweepwiseHelper: open ";
    std::string file;
    ASSERT_TRUE(runEventsUntil([&] {
        std::string log = helper.standardError();
        std::size_t seen = 0;
        std::size_t at = std::string::npos;
        for (auto found = log.find(marker); found != std::string::npos;
             found = log.find(marker, found + 1), ++seen)
            at = found + marker.size();
        if (seen < count)
            return false;
        file = log.substr(at, log.find('\n', at) - at);
        return access(file.c_str(), F_OK) != 0;
    })) << helper.standardError();
    EXPECT_TRUE(file.ends_with(".msgforsahelp")) << file;
}

} // namespace

TEST(HelperProgram, WithoutASessionBusBothProgramsCarryOn) {
    std::string home = Sandbox::process().makeFolder("home");
    makeDirs(home + "/.Trash");
    makeDirs(home + "/Library/Safari");
    writeFile(home + "/Library/Safari/History.db", "x");
    auto environment = withHome(home);
    environment["DBUS_SESSION_BUS_ADDRESS"] =
        "unix:path=" + Sandbox::process().makeFolder("nobus") + "/socket";

    // The helper says so once, skips the single-instance check and runs: it reads
    // the files it was started with and still offers what arrives in the Trash.
    auto command = FileMessage::CreateMessageForHelperToCancelExcludeRemovedPaths()->saveToFile();
    ASSERT_TRUE(command);
    ChildProgram helper(helperExecutable(), {*command}, environment);
    ASSERT_TRUE(helper.waitForOutput("SweepwiseHelper: open " + *command))
        << helper.standardError();
    EXPECT_TRUE(runEventsUntil([&] { return access(command->c_str(), F_OK) != 0; }));
    EXPECT_TRUE(helper.isRunning());
    std::string log = helper.standardError();
    std::size_t line = log.find("sweepwise: no session bus (");
    ASSERT_NE(line, std::string::npos) << log;
    EXPECT_EQ(log.find("no session bus", log.find('\n', line)), std::string::npos) << log;
    EXPECT_NE(log.find("notifications stay inside this process", line), std::string::npos);

    std::string app = Sandbox::process().makeFolder("apps") + "/Offline.app";
    makeApp(app, "com.example.Offline");
    move(app, home + "/.Trash/Offline.app");
    EXPECT_TRUE(helper.waitForOutput("SweepwiseHelper: offering " + home + "/.Trash/Offline.app\n"))
        << helper.standardError();

    ChildProgram ask(mainExecutable(), {"fda"}, environment);
    ASSERT_TRUE(ask.waitForExit());
    EXPECT_EQ(ask.exitCode(), 4);
    EXPECT_NE(ask.standardError().find("Sweepwise: no session bus ("), std::string::npos)
        << ask.standardError();
}

TEST(HelperProgram, BroadcastsAppsInTheTrashExceptThoseTheMainApplicationExcludes) {
    std::string home = Sandbox::process().makeFolder("home");
    std::string trash = home + "/.Trash";
    std::string apps = home + "/Applications";
    makeDirs(trash);
    // With Full Disk Access the helper watches the Trash itself.
    makeDirs(home + "/Library/Safari");
    writeFile(home + "/Library/Safari/History.db", "x");
    for (const char* name : {"Foo", "Foo 2", "Bar", "Baz"})
        makeApp(apps + "/" + name + ".app", std::string("com.example.") + name);

    QDBusConnection bus = PrivateBus::connect("routing");
    auto center = BusNotificationCenter::create(bus);
    ASSERT_NE(center, nullptr);
    std::vector<std::string> moved;
    center->addObserver(Names::userDidMoveApplicationToTrashEvent,
                        [&](const auto&, const std::optional<std::string>& object, const auto&) {
                            moved.push_back(object.value_or("(none)"));
                        });
    auto helper = startHelper(home);

    ChildProgram exclude(mainExecutable(), {"exclude", "/Applications/Foo.app"}, withHome(home));
    ASSERT_TRUE(exclude.waitForExit());
    EXPECT_EQ(exclude.standardOutput(), "sent an exclusion of 1 path to the helper\n")
        << exclude.standardError();
    waitUntilRead(*helper, 1);

    // Foo and "Foo 2" begin with the excluded name; Baz, moved after Bar was reported,
    // shows that nothing else was on its way.
    for (const char* name : {"Foo", "Foo 2", "Bar"})
        move(apps + "/" + name + ".app", trash + "/" + name + ".app");
    ASSERT_TRUE(runEventsUntil([&] { return !moved.empty(); })) << helper->standardError();
    move(apps + "/Baz.app", trash + "/Baz.app");
    ASSERT_TRUE(runEventsUntil([&] { return moved.size() >= 2; })) << helper->standardError();
    EXPECT_EQ(moved, (std::vector<std::string>{trash + "/Bar.app", trash + "/Baz.app"}));
    EXPECT_EQ(helper->standardError().find("offering " + trash + "/Foo"), std::string::npos)
        << "an excluded application is not offered either";

    ChildProgram clear(mainExecutable(), {"clear-exclusions"}, withHome(home));
    ASSERT_TRUE(clear.waitForExit());
    EXPECT_EQ(clear.exitCode(), 0) << clear.standardError();
    waitUntilRead(*helper, 2);
    stopHelper(helper);
}

TEST(HelperProgram, QuitsWhenItsBundleIsMovedAway) {
    // A copy of the helper's bundle, so that the build's own stays in place.
    namespace fs = std::filesystem;
    fs::path built = fs::path(helperExecutable()).parent_path().parent_path().parent_path();
    ASSERT_EQ(built.extension(), ".app");
    fs::path copy = fs::path(Sandbox::process().makeFolder("installed")) / built.filename();
    fs::copy(built, copy, fs::copy_options::recursive);
    fs::path executable = copy / fs::relative(helperExecutable(), built);

    ChildProgram helper(executable.string(), {}, programEnvironment());
    QDBusConnection bus = PrivateBus::connect("starter");
    ASSERT_TRUE(runEventsUntil(
        [&] { return ApplicationBusClient::isRunning(bus, kHelper) || !helper.isRunning(); }));
    ASSERT_TRUE(helper.isRunning()) << helper.standardError();

    move(copy.string(), copy.string() + ".old");
    ASSERT_TRUE(helper.waitForExit()) << helper.standardError();
    EXPECT_TRUE(helper.exitedNormally());
    EXPECT_EQ(helper.exitCode(), 0) << helper.standardError();
}
