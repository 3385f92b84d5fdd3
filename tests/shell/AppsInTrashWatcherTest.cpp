#include "shell/AppsInTrashWatcher.h"

#include "TrashTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/TimeScale.h"
#include "shell/DirectoryWatcher.h"
#include "shell/MoveToTrashWithoutTrashAccessMonitor.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

struct Report {
    std::string path;
    std::string bundleId;
    bool operator==(const Report&) const = default;
    bool operator<(const Report& other) const { return path < other.path; }
};

void PrintTo(const Report& report, std::ostream* out) {
    *out << report.path << " (" << report.bundleId << ")";
}

class RecordingListener : public AppsInTrashWatcherListener {
public:
    void onAppMovedToTrash(const std::shared_ptr<platform::Bundle>& bundle) override {
        ASSERT_TRUE(platform::MainQueue::shared().isCurrentThread());
        reports.push_back({bundle->bundlePath(), bundle->bundleIdentifier().value_or("")});
    }
    std::vector<Report> reports;
};

// Every test of a process shares the sandbox's Trash and applications folders, so each works
// with names of its own. Full Disk Access is granted by giving the sandbox's home a non-empty
// Library/Safari, as the helper tests it.
class AppsInTrashWatcherTest : public testing::Test {
protected:
    void TearDown() override {
        platform::setTimeScale(1.0);
        removeTree(home + "/Library/Safari");
    }

    void start(bool fullDiskAccess) {
        makeDirs(trash);
        makeDirs(systemApplications);
        removeTree(home + "/Library/Safari");
        if (fullDiskAccess) {
            makeDirs(home + "/Library/Safari");
            writeFile(home + "/Library/Safari/History.db", "x");
        }
        watcher = AppsInTrashWatcher::create(listener);
        ASSERT_TRUE(watcher);
        ASSERT_EQ(watcher->trashWatcher() != nullptr, fullDiskAccess);
        ASSERT_EQ(watcher->monitor() != nullptr, !fullDiskAccess);
    }

    bool waitForReports(std::size_t count, std::chrono::milliseconds patience = kEventPatience) {
        return platform::MainQueue::shared().runUntil(
            [&] { return listener->reports.size() >= count; }, patience);
    }

    // Moves an application into the Trash and waits for its report; reports due earlier have
    // arrived by then. Answers those, sorted by path.
    std::vector<Report> reportsBeforeBarrier(const std::string& name) {
        std::string path = makeApp(staging + "/" + name, "com.example.barrier");
        move(path, trash + "/" + name);
        std::size_t count = listener->reports.size();
        EXPECT_TRUE(waitFor([&] { return listener->reports.size() > count; }));
        std::vector<Report> before = listener->reports;
        if (!before.empty() && before.back().path == trash + "/" + name)
            before.pop_back();
        else
            ADD_FAILURE() << "the barrier was not the last report";
        std::sort(before.begin(), before.end());
        return before;
    }

    const std::string home = Sandbox::process().home();
    const std::string trash = home + "/.Trash";
    const std::string systemApplications = Sandbox::process().root() + "/Applications";
    const std::string staging = Sandbox::process().makeFolder("staging");
    std::shared_ptr<RecordingListener> listener = std::make_shared<RecordingListener>();
    std::shared_ptr<AppsInTrashWatcher> watcher;
};

} // namespace

TEST_F(AppsInTrashWatcherTest, WithFullDiskAccessReportsAnApplicationOnceTwoSecondsAfterItsMove) {
    std::string foo = makeApp(staging + "/Foo.app", "com.example.Foo");
    ASSERT_NO_FATAL_FAILURE(start(true));

    move(foo, trash + "/Foo.app");
    Clock::time_point moved = Clock::now();
    ASSERT_TRUE(waitForReports(1, DirectoryWatcher::kRefreshDelay + kEventPatience));
    EXPECT_GE(Clock::now() - moved, DirectoryWatcher::kRefreshDelay);
    EXPECT_EQ(listener->reports, (std::vector<Report>{{trash + "/Foo.app", "com.example.Foo"}}));
    EXPECT_EQ(reportsBeforeBarrier("FooBarrier.app"),
              (std::vector<Report>{{trash + "/Foo.app", "com.example.Foo"}}));
}

TEST_F(AppsInTrashWatcherTest, ReportsOnlyApplicationsWithAnIdentifierOutsideOtherBundles) {
    platform::setTimeScale(0.1);
    std::string games = staging + "/Games";
    makeApp(games + "/Board.app", "com.example.board");
    makeApp(games + "/Board.app/Contents/Library/LoginItems/Launcher.app", "com.example.launcher");
    makeApp(games + "/Cards/Poker.app", "com.example.poker");
    makeApp(games + "/Cards/Unnamed.app");
    makeApp(staging + "/NoIdentifier.app");
    makeApp(staging + "/EmptyIdentifier.app", "");
    ASSERT_NO_FATAL_FAILURE(start(true));

    move(staging + "/NoIdentifier.app", trash + "/NoIdentifier.app");
    move(staging + "/EmptyIdentifier.app", trash + "/EmptyIdentifier.app");
    move(games, trash + "/Games");
    // Board.app at the refresh and from the scan of Games; Poker.app from the scans of Games
    // and of Cards.
    ASSERT_TRUE(waitForReports(4));
    EXPECT_EQ(reportsBeforeBarrier("GamesBarrier.app"),
              (std::vector<Report>{{trash + "/Games/Board.app", "com.example.board"},
                                   {trash + "/Games/Board.app", "com.example.board"},
                                   {trash + "/Games/Cards/Poker.app", "com.example.poker"},
                                   {trash + "/Games/Cards/Poker.app", "com.example.poker"}}));
}

TEST_F(AppsInTrashWatcherTest, EmptyingTheTrashReportsNothing) {
    platform::setTimeScale(0.1);
    makeApp(trash + "/AlreadyThere.app", "com.example.there");
    std::string kept = makeApp(staging + "/Kept.app", "com.example.kept");
    ASSERT_NO_FATAL_FAILURE(start(true));

    move(kept, trash + "/Kept.app");
    ASSERT_TRUE(waitForReports(1));
    auto names = platform::FileSystem::contentsOfDirectory(trash);
    ASSERT_TRUE(names);
    for (const std::string& name : *names)
        removeTree(trash + "/" + name);
    EXPECT_EQ(reportsBeforeBarrier("EmptiedBarrier.app"),
              (std::vector<Report>{{trash + "/Kept.app", "com.example.kept"}}));
}

TEST_F(AppsInTrashWatcherTest, DropsReportsWhenTheListenerIsGone) {
    platform::setTimeScale(0.1);
    std::string unheard = makeApp(staging + "/Unheard.app", "com.example.unheard");
    ASSERT_NO_FATAL_FAILURE(start(true));
    std::weak_ptr<RecordingListener> weakListener = listener;
    listener.reset();
    EXPECT_TRUE(weakListener.expired()) << "the listener is not owned by the watcher";

    move(unheard, trash + "/Unheard.app");
    ASSERT_TRUE(waitFor([&] { return watcher->trashWatcher()->refreshCount() > 0; }));
}

TEST_F(AppsInTrashWatcherTest, WithoutFullDiskAccessFollowsApplicationsOutOfTheApplicationsFolder) {
    std::string foo = makeApp(systemApplications + "/TrashedFoo.app", "com.example.Foo");
    std::string renamed = makeApp(systemApplications + "/Renamed.app", "com.example.renamed");
    std::string deleted = makeApp(systemApplications + "/Deleted.app", "com.example.deleted");
    std::string unnamed = makeApp(systemApplications + "/Unnamed.app");
    ASSERT_NO_FATAL_FAILURE(start(false));

    move(renamed, systemApplications + "/Renamed 2.app");
    removeTree(deleted);
    move(unnamed, trash + "/Unnamed.app");
    move(foo, trash + "/TrashedFoo.app");
    Clock::time_point moved = Clock::now();
    ASSERT_TRUE(
        waitForReports(1, MoveToTrashWithoutTrashAccessMonitor::kReportDelay + kEventPatience));
    EXPECT_GE(Clock::now() - moved, MoveToTrashWithoutTrashAccessMonitor::kReportDelay);
    // Reports leave in the order they were made, so none of the earlier changes is still due.
    EXPECT_EQ(listener->reports,
              (std::vector<Report>{{trash + "/TrashedFoo.app", "com.example.Foo"}}));
    removeTree(systemApplications + "/Renamed 2.app");
}

TEST(AppsInTrashWatcherFinalTest, AcceptsOnlyApplicationsThatAreNotInsideBundlesAndHaveAnId) {
    const std::string base = Sandbox::process().makeFolder("final");
    auto plist = [](const std::string& body) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
               "</plist>";
    };
    struct Case {
        std::string name;
        std::string infoPlist; // none when empty
        std::optional<std::string> bundleId;
    };
    const Case cases[] = {
        {"Good.app",
         plist("<dict><key>CFBundleIdentifier</key><string>com.ex.Good</string></dict>"),
         "com.ex.Good"},
        {"Odd \n\xff\x01 name.app",
         plist("<dict><key>CFBundleIdentifier</key><string>com.ex.odd</string></dict>"),
         "com.ex.odd"},
        {"NoPlist.app", "", std::nullopt},
        {"NoId.app", plist("<dict><key>CFBundleName</key><string>NoId</string></dict>"),
         std::nullopt},
        {"EmptyId.app", plist("<dict><key>CFBundleIdentifier</key><string></string></dict>"),
         std::nullopt},
        {"NumberId.app", plist("<dict><key>CFBundleIdentifier</key><integer>7</integer></dict>"),
         std::nullopt},
        {"Outer.app/Contents/Library/LoginItems/Inner.app",
         plist("<dict><key>CFBundleIdentifier</key><string>com.ex.inner</string></dict>"),
         std::nullopt},
        {"Pane.prefPane/Contents/Resources/Helper.app",
         plist("<dict><key>CFBundleIdentifier</key><string>com.ex.helper</string></dict>"),
         std::nullopt},
        {"Driver.kext/Contents/Agent.app",
         plist("<dict><key>CFBundleIdentifier</key><string>com.ex.agent</string></dict>"),
         std::nullopt},
        {"NotAnApp.bundle",
         plist("<dict><key>CFBundleIdentifier</key><string>com.ex.bundle</string></dict>"),
         std::nullopt},
    };
    makeDirs(base + "/Outer.app/Contents");
    for (const Case& test : cases) {
        makeDirs(base + "/" + test.name + "/Contents");
        if (!test.infoPlist.empty())
            writeFile(base + "/" + test.name + "/Contents/Info.plist", test.infoPlist);
    }
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        auto bundle = AppsInTrashWatcher::isReallyAppBundlePath(base + "/" + test.name);
        ASSERT_EQ(bundle != nullptr, test.bundleId.has_value());
        if (bundle) {
            EXPECT_EQ(bundle->bundleIdentifier(), test.bundleId);
        }
    }

    writeFile(base + "/File.app", "not a folder");
    ASSERT_EQ(symlink((base + "/Good.app").c_str(), (base + "/Link.app").c_str()), 0);
    ASSERT_EQ(symlink("missing", (base + "/Dangling.app").c_str()), 0);
    ASSERT_EQ(symlink("Loop.app", (base + "/Loop.app").c_str()), 0);
    for (const char* name :
         {"/File.app", "/Link.app", "/Dangling.app", "/Loop.app", "/Missing.app", ""}) {
        EXPECT_EQ(AppsInTrashWatcher::isReallyAppBundlePath(base + name), nullptr) << name;
    }
    EXPECT_EQ(AppsInTrashWatcher::isReallyAppBundlePath(""), nullptr);
}
