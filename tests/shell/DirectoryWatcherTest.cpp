#include "shell/DirectoryWatcher.h"

#include "InotifyEventBytes.h"
#include "TrashTestSupport.h"
#include "platform/TimeScale.h"
#include "search/FileItem.h"
#include "shell/FileEventReader.h"

#include <algorithm>
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

class RecordingWatcherDelegate : public DirectoryWatcherDelegate {
public:
    void onAddedAppWithPath(const std::string& path) override {
        reports.push_back(path);
        if (onReport)
            onReport(path);
    }

    std::vector<std::string> reports;
    std::function<void(const std::string&)> onReport;
};

// Every entry below `root` with what a reader could change by mistake: kind, size, times.
std::map<std::string, std::string> snapshot(const std::string& root) {
    static std::map<std::string, std::string>* current = nullptr;
    std::map<std::string, std::string> entries;
    current = &entries;
    nftw(
        root.c_str(),
        [](const char* path, const struct stat* status, int, struct FTW*) {
            (*current)[path] = std::to_string(status->st_mode) + " " +
                               std::to_string(status->st_size) + " " +
                               std::to_string(status->st_mtim.tv_sec) + "." +
                               std::to_string(status->st_mtim.tv_nsec) + " " +
                               std::to_string(status->st_ctim.tv_sec) + "." +
                               std::to_string(status->st_ctim.tv_nsec);
            return 0;
        },
        16, FTW_PHYS);
    current = nullptr;
    return entries;
}

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
        std::string barrier = folder + "/Barrier " + std::to_string(++m_barriers) + ".app";
        makeApp(outside + "/Barrier.app");
        move(outside + "/Barrier.app", barrier);
        bool arrived = waitFor([&] {
            return std::find(delegate->reports.begin(), delegate->reports.end(), barrier) !=
                   delegate->reports.end();
        });
        EXPECT_TRUE(arrived) << "the barrier was never reported";
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

private:
    int m_barriers{0};
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
    ASSERT_EQ(symlink("missing", (arrived + "/Dangling.app").c_str()), 0);
    ASSERT_EQ(symlink("Loop.app", (arrived + "/Loop.app").c_str()), 0);
    std::string direct = makeApp(outside + "/Direct.app");
    ASSERT_EQ(symlink(elsewhere.c_str(), (outside + "/TopLink").c_str()), 0);
    start();
    ASSERT_TRUE(watcher->isWatching());

    move(direct, folder + "/Direct.app");
    move(arrived, folder + "/Arrived");
    move(outside + "/TopLink", folder + "/TopLink");
    auto before = snapshot(folder);

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
    // The watched folder itself changed when the barrier arrived.
    before.erase(folder);
    auto after = snapshot(folder);
    for (const auto& [path, facts] : before)
        EXPECT_EQ(after[path], facts) << path;
}

TEST_F(DirectoryWatcherTest, RefreshesOnceTheDelayAfterTheLastOfSeveralChangesAtRealSpeed) {
    platform::setTimeScale(1.0);
    const auto delay = DirectoryWatcher::kRefreshDelay;
    start();

    writeFile(folder + "/one", "1");
    runFor(delay / 8);
    writeFile(folder + "/two", "2");
    runFor(delay / 8);
    makeApp(outside + "/Third.app");
    move(outside + "/Third.app", folder + "/Third.app");
    Clock::time_point third = Clock::now();
    EXPECT_EQ(watcher->refreshCount(), 0u);

    ASSERT_TRUE(platform::MainQueue::shared().runUntil([&] { return watcher->refreshCount() > 0; },
                                                       delay + kEventPatience));
    EXPECT_GE(Clock::now() - third, delay);
    EXPECT_EQ(delegate->reports, std::vector<std::string>{folder + "/Third.app"});
    // Listing the folder must not count as a change of it.
    runFor(delay + delay / 4);
    EXPECT_EQ(watcher->refreshCount(), 1u);
}

TEST_F(DirectoryWatcherTest, ABurstOfTensOfThousandsOfEntriesIsListedOnceAtRealSpeed) {
    platform::setTimeScale(1.0);
    constexpr int kEntries = 20000;
    std::string staging = outside + "/staging";
    makeDirs(staging);
    for (int i = 0; i < kEntries; ++i) {
        int descriptor = open((staging + "/f" + std::to_string(i)).c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(descriptor, 0);
        close(descriptor);
    }
    makeApp(staging + "/Burst.app");
    start();

    for (int i = 0; i < kEntries; ++i) {
        std::string name = "/f" + std::to_string(i);
        ASSERT_EQ(std::rename((staging + name).c_str(), (folder + name).c_str()), 0);
        if (i == kEntries / 2)
            move(staging + "/Burst.app", folder + "/Burst.app");
    }
    Clock::time_point last = Clock::now();

    ASSERT_TRUE(platform::MainQueue::shared().runUntil([&] { return watcher->refreshCount() > 0; },
                                                       DirectoryWatcher::kRefreshDelay + 20s));
    EXPECT_GE(Clock::now() - last, DirectoryWatcher::kRefreshDelay);
    runFor(DirectoryWatcher::kRefreshDelay + 500ms);
    EXPECT_EQ(watcher->refreshCount(), 1u);
    EXPECT_EQ(delegate->reports, std::vector<std::string>{folder + "/Burst.app"});
    auto root = watcher->getFileItemWithPath(folder);
    ASSERT_TRUE(root && root->getChildren());
    EXPECT_EQ(root->getChildren()->size(), static_cast<std::size_t>(kEntries + 1));
}

TEST_F(DirectoryWatcherTest, AnOverflowOfTheKernelQueueListsTheFolderAgain) {
    start();
    auto reader = FileEventReader::shared();
    ASSERT_TRUE(reader);
    reader->handleEvents(inotifyBytes({{-1, IN_Q_OVERFLOW}}));
    ASSERT_TRUE(waitFor([&] { return watcher->refreshCount() == 1; }));
    EXPECT_TRUE(delegate->reports.empty());
}

TEST_F(DirectoryWatcherTest, IgnoresWhatWasThereAtStartAndWhatLeaves) {
    makeApp(folder + "/Old.app");
    makeApp(folder + "/Old folder/Inside.app");
    std::string leaving = makeApp(outside + "/Leaving/Short.app");
    start();

    // The arriving folder goes again as soon as its application has been reported, within
    // the refresh: its scan finds nothing.
    delegate->onReport = [&](const std::string& path) {
        if (path == folder + "/Leaving/Short.app")
            removeTree(folder + "/Leaving");
    };
    move(outside + "/Leaving", folder + "/Leaving");
    ASSERT_TRUE(waitForReports(1));
    removeTree(folder + "/Old.app");
    removeTree(folder + "/Old folder");
    EXPECT_EQ(reportsBeforeBarrier(), std::vector<std::string>{folder + "/Leaving/Short.app"});
}

TEST_F(DirectoryWatcherTest, AFolderMissingAtStartIsNeverReportedOn) {
    std::string missing = folder + "/Missing";
    watcher = DirectoryWatcher::create(missing);
    ASSERT_TRUE(watcher);
    watcher->setDelegate(delegate);
    EXPECT_EQ(watcher->getFileItemWithPath(missing), nullptr);

    makeApp(missing + "/Late.app");
    watcher->updateDirContent();
    runFor(DirectoryWatcher::kRefreshDelay / 5);
    EXPECT_TRUE(delegate->reports.empty());
    EXPECT_EQ(watcher->refreshCount(), 1u) << "only the refresh made by hand";
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
