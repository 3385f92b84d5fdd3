#include "shell/AppsInTrashWatcher.h"

#include "TrashTestSupport.h"
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
    const std::string id = "<key>CFBundleIdentifier</key><string>com.ex.id</string>";
    struct Case {
        std::string name;
        std::optional<std::string> dictionary; // no Info.plist when none
        bool accepted;
    };
    const Case cases[] = {
        {"Good.app", id, true},
        {"Odd \n\xff\x01 name.app", id, true},
        {"NoPlist.app", std::nullopt, false},
        {"NoId.app", "<key>CFBundleName</key><string>NoId</string>", false},
        {"EmptyId.app", "<key>CFBundleIdentifier</key><string></string>", false},
        {"NumberId.app", "<key>CFBundleIdentifier</key><integer>7</integer>", false},
        {"Outer.app/Contents/Library/LoginItems/Inner.app", id, false},
        {"Pane.prefPane/Contents/Resources/Helper.app", id, false},
        {"NotAnApp.bundle", id, false},
    };
    makeDirs(base + "/Outer.app/Contents");
    for (const Case& c : cases) {
        makeDirs(base + "/" + c.name + "/Contents");
        if (c.dictionary)
            writeFile(base + "/" + c.name + "/Contents/Info.plist",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" +
                          *c.dictionary + "</dict></plist>");
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bundle = AppsInTrashWatcher::isReallyAppBundlePath(base + "/" + c.name);
        ASSERT_EQ(bundle != nullptr, c.accepted);
        if (bundle) {
            EXPECT_EQ(bundle->bundleIdentifier(), "com.ex.id");
        }
    }
    writeFile(base + "/File.app", "not a folder");
    for (const char* name : {"/File.app", "/Missing.app"})
        EXPECT_EQ(AppsInTrashWatcher::isReallyAppBundlePath(base + name), nullptr) << name;
    EXPECT_EQ(AppsInTrashWatcher::isReallyAppBundlePath(""), nullptr);
}
