#include "TrashTestSupport.h"
#include "platform/TimeScale.h"
#include "shell/FolderReturnWatch.h"
#include "shell/PathsGenerator.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

namespace {

class FolderReturnTest : public testing::Test {
protected:
    void SetUp() override {
        platform::setTimeScale(0.05);
        makeDirs(trash);
    }
    void TearDown() override {
        platform::setTimeScale(1.0);
        makeDirs(trash);
        makeDirs(userApplications);
    }

    // The folders the helper really watches, wherever the code puts them.
    const std::string trash = PathsGenerator::GetInstance().buildTrashDirectory();
    const std::string userApplications =
        PathsGenerator::GetInstance().buildUserApplicationsDirectory();
    const std::string outside = Sandbox::process().makeFolder("outside");
};

} // namespace

TEST_F(FolderReturnTest, FollowsMissingFoldersDownToThePathAndUpWhenTheWatchedOneGoes) {
    std::string base = Sandbox::process().makeFolder("return");
    std::string path = base + "/a/b/c";
    int returns = 0;
    auto watch = FolderReturnWatch::create(path, [&] { ++returns; });
    ASSERT_TRUE(watch);
    ASSERT_TRUE(waitFor([&] { return watch->watchedFolder() == base; }));

    // The watched folder's parent goes away and comes back one level at a time.
    makeDirs(base + "/a/b");
    ASSERT_TRUE(waitFor([&] { return watch->watchedFolder() == base + "/a/b"; }));
    removeTree(base + "/a");
    ASSERT_TRUE(waitFor([&] { return watch->watchedFolder() == base; }));
    EXPECT_EQ(returns, 0);

    // All at once, as mkdir -p makes them: the watch cannot keep up folder by folder.
    makeDirs(path);
    ASSERT_TRUE(waitFor([&] { return returns == 1; }));
    EXPECT_TRUE(watch->hasReturned());
    EXPECT_EQ(watch->watchedFolder(), "");

    // A folder that is already there is announced too, once, and not from inside create().
    int present = 0;
    auto already = FolderReturnWatch::create(path, [&] { ++present; });
    EXPECT_EQ(present, 0);
    ASSERT_TRUE(waitFor([&] { return present == 1; }));
    runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(returns, 1);
    EXPECT_EQ(present, 1);
}

// Missing at start, deleted and made again, or replaced faster than the watcher looks: the
// Trash is watched again as soon as it is there.
TEST_F(FolderReturnTest, TheTrashWatcherResumesWheneverTheTrashIsMadeAgain) {
    removeTree(trash);
    auto delegate = std::make_shared<RecordingWatcherDelegate>();
    auto watcher = DirectoryWatcher::create(trash);
    watcher->setDelegate(delegate);
    ASSERT_TRUE(waitFor([&] { return watcher->isWaitingForFolder(); }));
    makeApp(outside + "/First.app", "com.example.first");
    makeDirs(trash);
    move(outside + "/First.app", trash + "/First.app");
    ASSERT_TRUE(waitFor([&] { return delegate->hasReported(trash + "/First.app"); }));

    removeTree(trash);
    ASSERT_TRUE(waitFor([&] { return watcher->isWaitingForFolder(); }));
    makeDirs(trash);
    ASSERT_TRUE(waitFor([&] { return !watcher->isWaitingForFolder(); }));
    makeApp(outside + "/Back.app", "com.example.back");
    move(outside + "/Back.app", trash + "/Back.app");
    ASSERT_TRUE(waitFor([&] { return delegate->hasReported(trash + "/Back.app"); }));

    // Replaced faster than the watcher looks: the new folder is watched, and what was moved
    // into it before the watcher noticed counts as arrived.
    removeTree(trash);
    makeDirs(trash);
    makeApp(trash + "/Quick.app", "com.example.quick");
    ASSERT_TRUE(waitFor([&] { return delegate->hasReported(trash + "/Quick.app"); }));
    makeApp(outside + "/Later.app", "com.example.later");
    move(outside + "/Later.app", trash + "/Later.app");
    ASSERT_TRUE(waitFor([&] { return delegate->hasReported(trash + "/Later.app"); }));
}

TEST_F(FolderReturnTest, TheMonitorResumesWhenAnApplicationsFolderIsDeletedAndMadeAgain) {
    makeDirs(userApplications);
    auto delegate = std::make_shared<RecordingMonitorDelegate>();
    auto monitor = MoveToTrashWithoutTrashAccessMonitor::create();
    monitor->setDelegate(delegate);
    const auto& top = monitor->submonitors().front();
    ASSERT_EQ(top->path(), userApplications);

    removeTree(userApplications);
    ASSERT_TRUE(waitFor([&] { return top->isWaitingForFolder(); }));
    makeDirs(userApplications);
    ASSERT_TRUE(waitFor([&] { return !top->isWaitingForFolder(); }));

    // Installed as a whole, as an installer moves it into place.
    makeApp(outside + "/Returned.app", "com.example.returned");
    std::string app = userApplications + "/Returned.app";
    move(outside + "/Returned.app", app);
    ASSERT_TRUE(waitFor([&] { return top->applications().contains(app); }));
    move(app, trash + "/Returned.app");
    ASSERT_TRUE(waitFor([&] { return delegate->hasReported(trash + "/Returned.app"); }));
}
