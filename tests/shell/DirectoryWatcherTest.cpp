#include "shell/DirectoryWatcher.h"

#include "TrashTestSupport.h"
#include "platform/TimeScale.h"
#include "search/FileItem.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

class DirectoryWatcherTest : public testing::Test {
protected:
    void SetUp() override { platform::setTimeScale(0.1); }
    void TearDown() override { platform::setTimeScale(1.0); }

    void start() {
        watcher = DirectoryWatcher::create(folder);
        ASSERT_TRUE(watcher);
        watcher->setDelegate(delegate);
    }

    bool waitForReports(std::size_t count) {
        return waitFor([&] { return delegate->reports.size() >= count; });
    }

    // Moves an application in and waits for its report. Refreshes and folder scans run in the
    // order of their deadlines, so whatever earlier moves were going to report has been
    // reported by then. Answers the reports before the barrier's.
    std::vector<std::string> reportsBeforeBarrier() {
        std::string barrier = folder + "/Barrier .app";
        makeApp(outside + "/Barrier.app");
        move(outside + "/Barrier.app", barrier);
        EXPECT_TRUE(waitFor([&] { return delegate->hasReported(barrier); }));
        std::vector<std::string> before;
        for (const std::string& report : delegate->reports) {
            if (report.find("/Barrier ") == std::string::npos)
                before.push_back(report);
        }
        std::sort(before.begin(), before.end());
        return before;
    }

    const std::string folder = Sandbox::process().makeFolder("watched");
    const std::string outside = Sandbox::process().makeFolder("outside");
    std::shared_ptr<RecordingWatcherDelegate> delegate =
        std::make_shared<RecordingWatcherDelegate>();
    std::shared_ptr<DirectoryWatcher> watcher;
};

} // namespace

TEST_F(DirectoryWatcherTest, ReportsArrivingApplicationsAndSearchesArrivingFolders) {
    std::string elsewhere = outside + "/Elsewhere";
    makeApp(elsewhere + "/Linked.app");
    std::string arrived = outside + "/Arrived";
    makeApp(arrived + "/Top.app/Contents/Library/LoginItems/Helper.app");
    makeApp(arrived + "/A/B/Deep.app");
    makeDirs(arrived + "/A/Empty");
    makeApp(arrived + "/Plugin.bundle/Contents/Resources/Tool.app");
    makeApp(arrived + "/Odd \n\xff name.app");
    writeFile(arrived + "/File.app", "not a folder");
    ASSERT_EQ(symlink(elsewhere.c_str(), (arrived + "/Linked").c_str()), 0);
    ASSERT_EQ(symlink((elsewhere + "/Linked.app").c_str(), (arrived + "/Link.app").c_str()), 0);
    std::string direct = makeApp(outside + "/Direct.app");
    start();
    ASSERT_TRUE(watcher->isWatching());

    move(direct, folder + "/Direct.app");
    move(arrived, folder + "/Arrived");

    // An application in an arriving folder is reported at the refresh and again by the folder's
    // scan; one deeper down by the scan of every arriving folder around it. Links are not
    // followed and applications are not entered.
    std::vector<std::string> expected = {
        folder + "/Arrived/A/B/Deep.app",
        folder + "/Arrived/A/B/Deep.app",
        folder + "/Arrived/Odd \n\xff name.app",
        folder + "/Arrived/Odd \n\xff name.app",
        folder + "/Arrived/Top.app",
        folder + "/Arrived/Top.app",
        folder + "/Direct.app",
    };
    ASSERT_TRUE(waitForReports(expected.size()));
    EXPECT_EQ(reportsBeforeBarrier(), expected);
}

TEST_F(DirectoryWatcherTest, ReleasingTheWatcherDropsWhatIsPending) {
    start();
    makeApp(outside + "/Orphan.app");
    move(outside + "/Orphan.app", folder + "/Orphan.app");
    // Long enough for the move to be delivered, too short for the refresh.
    runFor(DirectoryWatcher::kRefreshDelay / 40);
    std::weak_ptr<DirectoryWatcher> weakWatcher = watcher;
    watcher.reset();
    EXPECT_TRUE(weakWatcher.expired()) << "a pending refresh must not keep the watcher alive";
    // The refresh falls due with nobody to run it.
    runFor(DirectoryWatcher::kRefreshDelay / 5);
}
