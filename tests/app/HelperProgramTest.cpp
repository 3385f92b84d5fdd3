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

} // namespace

TEST(HelperProgram, AnswersEachFullDiskAccessQueryWithABooleanForEveryListener) {
    // dbus-monitor shows what really went over the bus, read by a client we did not write.
    ChildProgram monitor(
        "dbus-monitor",
        {"--address", PrivateBus::address(),
         "type='signal',interface='com.halvorn.Sweepwise.DistributedNotification'"});
    ASSERT_TRUE(monitor.waitForOutput("NameLost")) << monitor.standardError();
    auto center = BusNotificationCenter::create(PrivateBus::connect("asker"));
    ASSERT_NE(center, nullptr);
    std::vector<PlistValue> answers;
    center->addObserver(Names::responseFullDiskAccessState,
                        [&](const auto&, const auto& object, const PlistValue& userInfo) {
                            EXPECT_EQ(object, std::nullopt);
                            answers.push_back(userInfo);
                        });

    // The helper decides afresh each time by listing the home folder's Library/Safari.
    std::string home = Sandbox::process().makeFolder("home");
    makeDirs(home + "/Library/Safari");
    writeFile(home + "/Library/Safari/History.db", "x");
    auto helper = startHelper(home);
    for (bool granted : {true, false}) {
        SCOPED_TRACE(granted);
        if (!granted)
            removeTree(home + "/Library/Safari");
        ChildProgram ask(mainExecutable(), {"fda"}, programEnvironment());
        ASSERT_TRUE(ask.waitForExit());
        EXPECT_EQ(ask.exitCode(), 0) << ask.standardError();
        EXPECT_EQ(ask.standardOutput(),
                  std::string("Full Disk Access: ") + (granted ? "granted" : "not granted") + "\n");
        ASSERT_TRUE(runEventsUntil([&] { return !answers.empty(); }));
        ASSERT_EQ(answers.size(), 1u) << "one request, one answer";
        const PlistValue* flag = answers[0].get(Names::isAccessGranted);
        ASSERT_NE(flag, nullptr);
        EXPECT_EQ(flag->kind(), PlistValue::Kind::Boolean);
        EXPECT_EQ(flag->asBoolean(), granted);
        answers.clear();
    }

    // Requests and answers as dbus-monitor printed them, each answer with a D-Bus
    // boolean inside its dictionary.
    ASSERT_TRUE(monitor.waitForOutput("boolean false"));
    std::string seen = monitor.standardOutput();
    std::regex answer(std::string("member=Notification\\s+string \"") +
                      Names::responseFullDiskAccessState +
                      "\"\\s+array \\[\\s+\\]\\s+array \\[\\s+dict entry\\(\\s+string \"" +
                      Names::isAccessGranted + "\"\\s+variant\\s+boolean (true|false)");
    std::vector<std::string> values;
    for (auto it = std::sregex_iterator(seen.begin(), seen.end(), answer);
         it != std::sregex_iterator(); ++it)
        values.push_back((*it)[1]);
    EXPECT_EQ(values, (std::vector<std::string>{"true", "false"})) << seen;

    helper.reset();
    QDBusConnection bus = PrivateBus::connect("starter");
    EXPECT_TRUE(runEventsUntil([&] { return !ApplicationBusClient::isRunning(bus, kHelper); }));
}

TEST(HelperProgram, TheQuestionFailsWhenNobodyAnswersOrThereIsNoBus) {
    // Something owns the helper's name but never answers.
    QDBusConnection own = PrivateBus::connect("silent");
    auto silent = ApplicationService::claim(own, kHelper);
    ASSERT_NE(silent, nullptr);
    ChildProgram ask(mainExecutable(), {"fda", "--timeout", "1"}, programEnvironment());
    ASSERT_TRUE(ask.waitForExit());
    EXPECT_EQ(ask.exitCode(), 3);
    EXPECT_EQ(ask.standardError(), "Sweepwise: no answer from the helper within 1 s\n");

    auto environment = programEnvironment();
    environment["DBUS_SESSION_BUS_ADDRESS"] =
        "unix:path=" + Sandbox::process().makeFolder("nobus") + "/socket";
    ChildProgram offline(mainExecutable(), {"fda"}, environment);
    ASSERT_TRUE(offline.waitForExit());
    EXPECT_EQ(offline.exitCode(), 4);
    EXPECT_NE(offline.standardError().find("Sweepwise: no session bus ("), std::string::npos)
        << offline.standardError();
}
