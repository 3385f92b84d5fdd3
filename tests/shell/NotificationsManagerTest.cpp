#include "shell/NotificationsManager.h"

#include "MessageTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

using namespace testing_support;
using namespace message_testing;

const std::string kMainId = "com.halvorn.Sweepwise-SIII";

TEST(NotificationsManager, SendsTheItemsToTheMainApplicationItFindsFirst) {
    std::string apps = Sandbox::process().makeFolder("apps");
    makeApp(apps + "/Sweepwise.app", kMainId);
    makeApp(apps + "/Sweepwise.app/Contents/Library/LoginItems/Helper.app",
            "com.halvorn.Sweepwise-SIII-Helper");
    makeApp(apps + "/Other.app", "com.example.other");
    makeApp(apps + "/Other.app/Contents/Library/LoginItems/Helper.app",
            "com.halvorn.Sweepwise-SIII-Helper");
    const std::string runningExecutable = "/Running/Sweepwise.app/Contents/MacOS/Sweepwise";
    const std::string installed = "/Installed/Sweepwise.app";

    struct Case {
        std::string name;
        std::optional<std::string> ownBundle;
        std::vector<Workspace::RunningApplication> running;
        std::vector<std::string> installed;
        std::optional<std::string> expected;
    } cases[] = {
        {"enclosing main bundle first",
         apps + "/Sweepwise.app/Contents/Library/LoginItems/Helper.app",
         {{10, runningExecutable}},
         {installed},
         apps + "/Sweepwise.app"},
        {"enclosing bundle of another application",
         apps + "/Other.app/Contents/Library/LoginItems/Helper.app",
         {{10, runningExecutable}},
         {installed},
         runningExecutable},
        {"running before installed",
         std::nullopt,
         {{10, runningExecutable}, {11, "/second"}},
         {installed},
         runningExecutable},
        {"installed when none runs", apps + "/Helper.app", {}, {installed}, installed},
        {"nowhere", std::nullopt, {}, {}, std::nullopt},
    };
    for (const auto& c : cases) {
        auto workspace = std::make_shared<RecordingWorkspace>();
        workspace->running = c.running;
        workspace->installed = c.installed;
        ScopedWorkspace scope(workspace);
        EXPECT_EQ(NotificationsManager(c.ownBundle).mainApplicationPath(), c.expected) << c.name;
    }
}
