#include "app/ApplicationBusClient.h"
#include "app/BusNotificationCenter.h"
#include "app/BusTestSupport.h"
#include "shell/MonitorTrashDistributedNotificationNames.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <regex>

using namespace testing_support;
using platform::PlistValue;
using Names = MonitorTrashDistributedNotificationNames;

TEST(HelperProgram, AnswersAFullDiskAccessQueryWithABooleanForEveryListener) {
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

    // A helper that finds no Trash makes one, and can then list it.
    std::string home = Sandbox::process().makeFolder("home");
    // It claims its name only once it answers requests.
    auto helper = std::make_unique<ChildProgram>(helperExecutable(), std::vector<std::string>{},
                                                 programEnvironment(home));
    ASSERT_TRUE(waitUntilOwned(PrivateBus::connect("starter"), kHelper, true, helper.get()))
        << helper->standardError();
    ChildProgram ask(mainExecutable(), {"fda"}, programEnvironment());
    ASSERT_TRUE(ask.waitForExit());
    EXPECT_EQ(ask.exitCode(), 0) << ask.standardError();
    EXPECT_EQ(ask.standardOutput(), "Full Disk Access: granted\n");
    ASSERT_TRUE(runEventsUntil([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, (std::vector{PlistValue(
                           PlistValue::Dictionary{{Names::isAccessGranted, PlistValue(true)}})}))
        << "one request, one answer";

    // The answer as dbus-monitor printed it, with a D-Bus boolean inside its dictionary.
    std::regex answer(std::string("member=Notification\\s+string \"") +
                      Names::responseFullDiskAccessState +
                      "\"\\s+array \\[\\s+\\]\\s+array \\[\\s+dict entry\\(\\s+string \"" +
                      Names::isAccessGranted + "\"\\s+variant\\s+boolean true");
    EXPECT_TRUE(monitor.waitForOutput("boolean true"));
    EXPECT_TRUE(std::regex_search(monitor.standardOutput(), answer)) << monitor.standardOutput();

    helper.reset();
    EXPECT_TRUE(waitUntilOwned(PrivateBus::connect("starter"), kHelper, false));
}
