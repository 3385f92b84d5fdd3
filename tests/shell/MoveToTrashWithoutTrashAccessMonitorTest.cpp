#include "shell/MoveToTrashWithoutTrashAccessMonitor.h"

#include "TrashTestSupport.h"
#include "platform/TimeScale.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;
using Mirror = MoveToTrashWithoutTrashAccessMonitorSingleDirectory;

namespace {

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

    // The mirror of a top folder or of a folder right inside one.
    const Mirror* find(const std::string& folder) const {
        for (const auto& top : monitor->submonitors()) {
            if (top->path() == folder)
                return top.get();
            if (auto child = top->subdirectories().find(folder);
                child != top->subdirectories().end())
                return child->second.get();
        }
        return nullptr;
    }

    bool isTracked(const std::string& folder, const std::string& application) const {
        return find(folder) && find(folder)->applications().contains(application);
    }

    const std::string userApplications = Sandbox::process().home() + "/Applications";
    const std::string systemApplications = Sandbox::process().root() + "/Applications";
    const std::string trash = Sandbox::process().trash();
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
