#include "app/ApplicationBusClient.h"
#include "app/ApplicationService.h"
#include "app/BusNotificationCenter.h"
#include "app/BusTestSupport.h"
#include "shell/MonitorTrashDistributedNotificationNames.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <regex>

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

TEST(HelperProgram, WithoutASessionBusBothProgramsCarryOn) {
    auto environment = programEnvironment();
    environment["DBUS_SESSION_BUS_ADDRESS"] =
        "unix:path=" + Sandbox::process().makeFolder("nobus") + "/socket";

    // The helper says so once, skips the single-instance check and runs: it gets
    // as far as taking the files it was started with.
    ChildProgram helper(helperExecutable(), {"/started/with.msgforsahelp"}, environment);
    ASSERT_TRUE(helper.waitForOutput("SweepwiseHelper: open /started/with.msgforsahelp"))
        << helper.standardError();
    EXPECT_TRUE(helper.isRunning());
    std::string log = helper.standardError();
    std::size_t line = log.find("sweepwise: no session bus (");
    ASSERT_NE(line, std::string::npos) << log;
    EXPECT_EQ(log.find("no session bus", log.find('\n', line)), std::string::npos) << log;
    EXPECT_NE(log.find("notifications stay inside this process", line), std::string::npos);

    ChildProgram ask(mainExecutable(), {"fda"}, environment);
    ASSERT_TRUE(ask.waitForExit());
    EXPECT_EQ(ask.exitCode(), 4);
    EXPECT_NE(ask.standardError().find("Sweepwise: no session bus ("), std::string::npos)
        << ask.standardError();
}
