#include "shell/NotificationsManager.h"

#include "MessageTestSupport.h"
#include "platform/FileSystem.h"
#include "shell/AppGroupManager.h"
#include "shell/WatcherMessage.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

using namespace testing_support;
using namespace message_testing;

namespace {

const std::string kMainId = "com.halvorn.Sweepwise-SIII";

std::vector<std::shared_ptr<PathForRemove>> someItems() {
    auto cache =
        PathForRemove::create("/Users/ann/Library/Caches/com.example.Foo", 2, "com.example.Foo");
    cache->setSize(8192);
    return {cache, PathForRemove::create("/Users/ann/Library/Logs/Foo", 9, "com.example.Foo")};
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

TEST(NotificationsManager, SendsTheItemsInAMessageFileOrNothingWithoutAMainApplication) {
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
    WatcherMessage received;
    ASSERT_TRUE(received.loadFromPath(call.path));
    ASSERT_EQ(received.getPathsForRemove().size(), 2u);
    EXPECT_EQ(received.getPathsForRemove()[0]->getSize(), 8192u);
    EXPECT_EQ(received.getPathsForRemove()[1]->path(), "/Users/ann/Library/Logs/Foo");
}

TEST(NotificationsManager, OpensTheApplicationAloneWhenTheMessageCannotBeWritten) {
    auto workspace = std::make_shared<RecordingWorkspace>();
    workspace->installed = {"/Installed/Sweepwise.app"};
    ScopedWorkspace scope(workspace);
    NotificationsManager manager(std::nullopt);

    removeTree(MessageFiles::folderPath());
    writeFile(MessageFiles::folderPath(), "a file where the folder belongs");
    manager.removeFilePaths(someItems());
    removeTree(MessageFiles::folderPath());
    ASSERT_EQ(workspace->opened.size(), 1u);
    EXPECT_EQ(workspace->opened.front().path, "/Installed/Sweepwise.app");
    EXPECT_EQ(workspace->opened.front().appPath, "/Installed/Sweepwise.app");

    // An empty list asks nothing at all.
    manager.removeFilePaths({});
    EXPECT_EQ(workspace->opened.size(), 1u);
    EXPECT_TRUE(workspace->runningQueries.size() == 1u);
}

TEST(AppGroupManager, UsesTheGroupContainerOnlyWhenItExists) {
    const AppGroupManager& group = AppGroupManager::GetInstance();
    const std::string container =
        Sandbox::process().home() +
        "/Library/Group Containers/K3WQ7TZ2PX.group.com.halvorn.Sweepwise-SIII";
    EXPECT_EQ(group.getTemporaryDirectory(), platform::FileSystem::temporaryDirectory());
    makeDirs(container);
    EXPECT_EQ(group.getTemporaryDirectory(), container + "/Temp");
    removeTree(container);
}
