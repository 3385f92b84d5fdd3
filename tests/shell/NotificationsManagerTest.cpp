#include "shell/NotificationsManager.h"

#include "MessageTestSupport.h"
#include "platform/FileSystem.h"
#include "shell/WatcherMessage.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

using namespace testing_support;
using namespace message_testing;

namespace {

const std::string kMainId = "com.halvorn.Sweepwise-SIII";

std::vector<std::shared_ptr<PathForRemove>> someItems() {
    return {PathForRemove::create("/Users/ann/Library/Logs/Foo", 9, "com.example.Foo")};
}

} // namespace

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

TEST(NotificationsManager, SendsTheItemsInAMessageFileOrOpensTheApplicationAloneOrNothing) {
    auto workspace = std::make_shared<RecordingWorkspace>();
    ScopedWorkspace scope(workspace);
    std::string folder = freshMessageFolder();
    NotificationsManager manager(std::nullopt);
    manager.removeFilePaths(someItems());
    EXPECT_TRUE(workspace->opened.empty());
    EXPECT_TRUE(platform::FileSystem::contentsOfDirectory(folder)->empty());

    workspace->installed = {"/Installed/Sweepwise.app"};
    manager.removeFilePaths(someItems());
    ASSERT_EQ(workspace->opened.size(), 1u);
    const auto& call = workspace->opened.front();
    EXPECT_EQ(call.appPath, "/Installed/Sweepwise.app");
    EXPECT_EQ(call.deactivation, Workspace::Deactivation::DeactivateSender);
    EXPECT_TRUE(call.path.starts_with(folder + "/random_") && call.path.ends_with(".trforsa"))
        << call.path;
    EXPECT_TRUE(WatcherMessage().loadFromPath(call.path));

    // Without a message folder the application is opened alone; an empty list asks nothing.
    removeTree(folder);
    writeFile(folder, "a file where the folder belongs");
    manager.removeFilePaths(someItems());
    removeTree(folder);
    ASSERT_EQ(workspace->opened.size(), 2u);
    EXPECT_EQ(workspace->opened[1].path, "/Installed/Sweepwise.app");
    EXPECT_EQ(workspace->opened[1].appPath, "/Installed/Sweepwise.app");
    manager.removeFilePaths({});
    EXPECT_EQ(workspace->runningQueries.size(), 3u);
}
