#include "shell/MoveToTrashWithoutTrashAccessMonitor.h"

#include "TrashTestSupport.h"
#include "platform/TimeScale.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;
using Mirror = MoveToTrashWithoutTrashAccessMonitorSingleDirectory;

namespace {

class RecordingMonitorDelegate : public MoveToTrashWithoutTrashAccessMonitorDelegate {
public:
    void moveToTrashWithoutTrashAccessMonitor(MoveToTrashWithoutTrashAccessMonitor&,
                                              const std::string& path) override {
        reports.push_back(path);
    }
    std::vector<std::string> reports;
};

// The monitor always watches the sandbox's two applications folders, which every test of the
// process shares, so each test works with names of its own.
class MoveToTrashMonitor : public testing::Test {
protected:
    void SetUp() override {
        platform::setTimeScale(0.01);
        makeDirs(userApplications);
        makeDirs(systemApplications);
        makeDirs(trash);
    }

    void TearDown() override { platform::setTimeScale(1.0); }

    void start() {
        monitor = MoveToTrashWithoutTrashAccessMonitor::create();
        ASSERT_TRUE(monitor);
        monitor->setDelegate(delegate);
    }

    bool waitForReports(std::size_t count) {
        return waitFor([&] { return delegate->reports.size() >= count; });
    }

    // Whether the mirror of `folder` (found from the top folders down) is tracking `application`.
    bool isTracked(const std::string& folder, const std::string& application) const {
        const Mirror* mirror = find(folder);
        return mirror && mirror->applications().contains(application);
    }

    const Mirror* find(const std::string& folder) const {
        for (const auto& top : monitor->submonitors()) {
            const Mirror* mirror = top.get();
            while (mirror && mirror->path() != folder) {
                const Mirror* next = nullptr;
                for (const auto& [path, child] : mirror->subdirectories()) {
                    if (folder.starts_with(path + "/") || folder == path)
                        next = child.get();
                }
                mirror = next;
            }
            if (mirror)
                return mirror;
        }
        return nullptr;
    }

    const std::string userApplications = Sandbox::process().home() + "/Applications";
    const std::string systemApplications = Sandbox::process().root() + "/Applications";
    const std::string trash = Sandbox::process().home() + "/.Trash";
    // Every run of a test uses names of its own, so that repeated runs in one process do not
    // meet the items of earlier ones.
    const std::string tag = "-" + std::to_string(++s_runs);
    std::shared_ptr<RecordingMonitorDelegate> delegate =
        std::make_shared<RecordingMonitorDelegate>();
    std::shared_ptr<MoveToTrashWithoutTrashAccessMonitor> monitor;

private:
    static inline int s_runs = 0;
};

} // namespace

TEST_F(MoveToTrashMonitor, ReportsApplicationsAndTheirFoldersMovedToTheTrashUnderTheirNamesThere) {
    std::string system = makeApp(systemApplications + "/Reported" + tag + ".app");
    std::string user = makeApp(userApplications + "/ReportedToo" + tag + ".app");
    std::string games = systemApplications + "/Games" + tag;
    makeApp(games + "/Board.app");
    makeApp(games + "/Cards/Poker.app");
    makeDirs(games + "/Empty");
    start();
    ASSERT_EQ(monitor->submonitors().size(), 2u);
    EXPECT_EQ(monitor->submonitors()[0]->path(), userApplications);
    EXPECT_EQ(monitor->submonitors()[1]->path(), systemApplications);
    EXPECT_TRUE(delegate->reports.empty()) << "what exists at start is not reported";

    move(system, trash + "/Reported 2" + tag + ".app");
    ASSERT_TRUE(waitForReports(1));
    move(user, trash + "/ReportedToo" + tag + ".app");
    ASSERT_TRUE(waitForReports(2));
    move(games, trash + "/Games" + tag);
    ASSERT_TRUE(waitForReports(4));
    EXPECT_EQ(delegate->reports,
              (std::vector<std::string>{trash + "/Reported 2" + tag + ".app",
                                        trash + "/ReportedToo" + tag + ".app",
                                        trash + "/Games" + tag + "/Cards/Poker.app",
                                        trash + "/Games" + tag + "/Board.app"}));
    EXPECT_EQ(find(games), nullptr);
}

TEST_F(MoveToTrashMonitor, ReportsNothingForMovesThatDoNotEndInTheTrash) {
    std::string desktop = Sandbox::process().home() + "/Desktop";
    makeDirs(desktop);
    std::string toDesktop = makeApp(systemApplications + "/ToDesktop" + tag + ".app");
    std::string renamed = makeApp(systemApplications + "/Renamed" + tag + ".app");
    std::string deleted = makeApp(userApplications + "/Deleted" + tag + ".app");
    std::string nested = makeApp(systemApplications + "/Nested" + tag + "/Inside.app");
    std::string barrier = makeApp(systemApplications + "/Barrier" + tag + ".app");
    start();

    move(toDesktop, desktop + "/ToDesktop" + tag + ".app");
    std::string newName = systemApplications + "/NewName" + tag + ".app";
    move(renamed, newName);
    removeTree(deleted);
    move(nested, systemApplications + "/Inside" + tag + ".app");
    ASSERT_TRUE(waitFor([&] { return isTracked(systemApplications, newName); }));
    EXPECT_FALSE(isTracked(systemApplications, renamed));

    // Reports leave in the order they were made, so the barrier's comes after any other.
    move(barrier, trash + "/Barrier" + tag + ".app");
    ASSERT_TRUE(waitForReports(1));
    move(newName, trash + "/NewName" + tag + ".app");
    ASSERT_TRUE(waitForReports(2));
    EXPECT_EQ(delegate->reports, (std::vector<std::string>{trash + "/Barrier" + tag + ".app",
                                                           trash + "/NewName" + tag + ".app"}));
}

TEST_F(MoveToTrashMonitor, WatchesDeepFoldersOnlyIfTheyHeldAnApplicationAtStart) {
    std::string top = systemApplications + "/Depth" + tag;
    makeDirs(top + "/Empty/Deeper");
    makeApp(top + "/Full/Deeper/Tool.app");
    makeApp(top + "/Full/Deeper/Deepest/Tool.app");
    std::string barrier = makeApp(systemApplications + "/DepthBarrier" + tag + ".app");
    start();

    struct Expectation {
        std::string folder;
        int level;
        bool watched;
    };
    const Expectation expectations[] = {
        {top, 1, true},
        {top + "/Empty", 2, false},
        {top + "/Full", 2, true},
        {top + "/Full/Deeper", 3, true},
        {top + "/Full/Deeper/Deepest", 4, true},
    };
    for (const Expectation& expected : expectations) {
        SCOPED_TRACE(expected.folder);
        const Mirror* mirror = find(expected.folder);
        ASSERT_TRUE(mirror);
        EXPECT_EQ(mirror->level(), expected.level);
        EXPECT_EQ(mirror->directoryObserver() != nullptr, expected.watched);
    }

    // Installed later into a folder nobody watches: never seen.
    std::string unseen = makeApp(top + "/Empty/Unseen.app");
    // A folder made after start at the first level is mirrored and watched.
    std::string later = systemApplications + "/DepthLater" + tag;
    makeDirs(later);
    ASSERT_TRUE(waitFor([&] { return find(later) != nullptr; }));
    std::string installed = makeApp(later + "/Installed.app");
    ASSERT_TRUE(waitFor([&] { return isTracked(later, installed); }));

    move(unseen, trash + "/Unseen" + tag + ".app");
    move(barrier, trash + "/DepthBarrier" + tag + ".app");
    ASSERT_TRUE(waitForReports(1));
    move(installed, trash + "/Installed" + tag + ".app");
    ASSERT_TRUE(waitForReports(2));
    EXPECT_EQ(delegate->reports, (std::vector<std::string>{trash + "/DepthBarrier" + tag + ".app",
                                                           trash + "/Installed" + tag + ".app"}));
}

TEST_F(MoveToTrashMonitor, FollowsOnlyRealFoldersAndApplications) {
    std::string base = systemApplications + "/Kinds" + tag;
    std::string elsewhere = Sandbox::process().makeFolder("elsewhere");
    makeApp(elsewhere + "/Target.app");
    makeDirs(base);
    ASSERT_EQ(symlink(elsewhere.c_str(), (base + "/Linked").c_str()), 0);
    ASSERT_EQ(symlink((elsewhere + "/Target.app").c_str(), (base + "/Linked.app").c_str()), 0);
    makeApp(base + "/Backups.backupdb/Kept.app");
    makeApp(base + "/Plugin.bundle/Contents/Helper.app");
    writeFile(base + "/File.app", "x");
    std::string real = makeApp(base + "/Real.app");
    start();

    const Mirror* mirror = find(base);
    ASSERT_TRUE(mirror);
    EXPECT_TRUE(mirror->subdirectories().empty());
    ASSERT_EQ(mirror->applications().size(), 1u);
    EXPECT_EQ(mirror->applications().begin()->first, real);
}
TEST_F(MoveToTrashMonitor, ReportsOnlyWhatIsStillInTheTrashFiveSecondsLater) {
    platform::setTimeScale(1.0);
    std::string emptied = makeApp(systemApplications + "/Emptied" + tag + ".app");
    std::string kept = makeApp(systemApplications + "/Kept" + tag + ".app");
    start();

    move(emptied, trash + "/Emptied" + tag + ".app");
    ASSERT_TRUE(waitFor([&] { return !isTracked(systemApplications, emptied); }));
    removeTree(trash + "/Emptied" + tag + ".app");
    move(kept, trash + "/Kept" + tag + ".app");
    ASSERT_TRUE(platform::MainQueue::shared().runUntil([&] { return !delegate->reports.empty(); },
                                                       std::chrono::seconds(30)));
    EXPECT_EQ(delegate->reports, (std::vector<std::string>{trash + "/Kept" + tag + ".app"}));
}
