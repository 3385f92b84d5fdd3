#include "FaultTestSupport.h"
#include "platform/MainQueue.h"
#include "support/ThreadTestSupport.h"
#include "platform/TimeScale.h"
#include "shell/AppsInTrashWatcher.h"
#include "shell/DirectoryWatcher.h"
#include "shell/FileEventReader.h"
#include "shell/TrashTestSupport.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <thread>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

class RecordingWatcherDelegate : public DirectoryWatcherDelegate {
public:
    void onAddedAppWithPath(const std::string& path) override { reports.push_back(path); }
    bool reported(const std::string& path) const {
        return std::find(reports.begin(), reports.end(), path) != reports.end();
    }
    std::vector<std::string> reports;
};

class TrashFaultTest : public testing::Test {
protected:
    void SetUp() override { platform::setTimeScale(0.1); }
    void TearDown() override { platform::setTimeScale(1.0); }

    void start() {
        watcher = DirectoryWatcher::create(trash);
        ASSERT_TRUE(watcher);
        watcher->setDelegate(delegate);
    }

    const std::string trash = Sandbox::process().makeFolder("trash");
    const std::string outside = Sandbox::process().makeFolder("outside");
    std::shared_ptr<RecordingWatcherDelegate> delegate =
        std::make_shared<RecordingWatcherDelegate>();
    std::shared_ptr<DirectoryWatcher> watcher;
};

// Holds the shared reader thread inside a sink until released, so that the kernel's queue
// fills up exactly as it would behind a reader starved of processor time. The sink shares its
// state, since the reader may call it once more after it has been unsubscribed.
class ReaderStall {
public:
    explicit ReaderStall(const std::string& folder) {
        auto reader = FileEventReader::shared();
        m_registration =
            reader->subscribe(folder, VDKQueueNotes::Write, [state = m_state](std::uint32_t) {
                std::unique_lock lock(state->mutex);
                state->stalled = true;
                state->changed.notify_all();
                state->changed.wait_for(lock, 60s, [&] { return state->released; });
            });
    }
    ~ReaderStall() {
        release();
        if (m_registration)
            FileEventReader::shared()->unsubscribe(*m_registration);
    }

    bool valid() const { return m_registration.has_value(); }
    bool waitUntilStalled() {
        std::unique_lock lock(m_state->mutex);
        return m_state->changed.wait_for(lock, kPatience, [&] { return m_state->stalled; });
    }
    void release() {
        std::lock_guard lock(m_state->mutex);
        m_state->released = true;
        m_state->changed.notify_all();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool stalled{false};
        bool released{false};
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
    std::optional<FileEventReader::Registration> m_registration;
};

std::size_t kernelQueueLimit() {
    std::ifstream limit("/proc/sys/fs/inotify/max_queued_events");
    std::size_t value = 0;
    limit >> value;
    return value;
}

// Whether the unread queue of an inotify instance ends in the kernel's overflow event.
bool sawOverflow(int instance) {
    alignas(inotify_event) char buffer[65536];
    bool overflowed = false;
    for (;;) {
        ssize_t length = read(instance, buffer, sizeof buffer);
        if (length <= 0)
            return overflowed;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            overflowed = overflowed || (event->mask & IN_Q_OVERFLOW) != 0;
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

} // namespace

// While the reader is held up, more changes reach the watched Trash than the kernel queues,
// so the kernel drops the rest and says so; an application moved in after that has no event
// of its own and must still be found by the listing the overflow asks for.
TEST_F(TrashFaultTest, ApplicationMovedInAfterAKernelQueueOverflowIsStillReported) {
    const std::size_t limit = kernelQueueLimit();
    ASSERT_GT(limit, 0u);
    ASSERT_LE(limit, 1u << 20) << "the kernel queue is too long to flood in a test";
    start();
    ReaderStall stall(trash);
    ASSERT_TRUE(stall.valid());
    Watchdog watchdog("the overflow test", 120s);

    // A second instance that nobody reads shows that the flood does overflow a queue.
    int witness = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(witness, 0);
    ASSERT_GE(inotify_add_watch(witness, trash.c_str(), IN_MOVE), 0);
    writeFile(trash + "/flood", "");
    ASSERT_TRUE(stall.waitUntilStalled());
    // Each rename is two events; the queue is full well before the loop ends.
    for (std::size_t round = 0; round <= limit / 2 + 64; ++round) {
        move(trash + "/flood", trash + "/flood2");
        move(trash + "/flood2", trash + "/flood");
    }
    makeApp(outside + "/Late.app", "com.example.late");
    move(outside + "/Late.app", trash + "/Late.app");
    stall.release();
    EXPECT_TRUE(sawOverflow(witness));
    close(witness);

    ASSERT_TRUE(waitFor([&] { return delegate->reported(trash + "/Late.app"); }));
    EXPECT_EQ(delegate->reports, std::vector<std::string>{trash + "/Late.app"});
    EXPECT_TRUE(std::ifstream(trash + "/flood").good());
}

// A thousand applications dropped into the Trash within a second are one burst: one listing
// after the last of them reports each exactly once, and what the watcher keeps for them stays
// small.
TEST_F(TrashFaultTest, AThousandApplicationsInOneBurstAreReportedOnceWithBoundedMemory) {
    constexpr int kApps = 1000;
    std::string staging = outside + "/staging";
    for (int app = 0; app < kApps; ++app)
        makeApp(staging + "/App " + std::to_string(app) + ".app");
    start();
    Watchdog watchdog("the burst test", 120s);
    const std::uint64_t residentBefore = residentKiB();

    for (int app = 0; app < kApps; ++app) {
        std::string name = "/App " + std::to_string(app) + ".app";
        move(staging + name, trash + name);
    }
    ASSERT_TRUE(waitFor([&] { return delegate->reports.size() >= kApps; }));
    // Anything a second listing would report has had its time.
    runFor(DirectoryWatcher::kRefreshDelay / 2);
    EXPECT_EQ(watcher->refreshCount(), 1u);
    std::set<std::string> distinct(delegate->reports.begin(), delegate->reports.end());
    EXPECT_EQ(delegate->reports.size(), static_cast<std::size_t>(kApps));
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kApps));
    EXPECT_TRUE(distinct.count(trash + "/App 999.app"));

    // Each application costs a tree node, its name and a report: a few hundred bytes. 16 MiB
    // leaves room for allocator and sanitizer slack, yet a watcher that kept a copy of the
    // listing per event (2,000 events of 1,000 entries) would exceed it.
    const std::uint64_t residentAfter = residentKiB();
    ASSERT_GT(residentBefore, 0u);
    if (kResidentSetIsMeaningful) {
        EXPECT_LT(residentAfter, residentBefore + 16 * 1024)
            << residentBefore << " KiB before, " << residentAfter << " KiB after";
    }
}

// Entries of the Trash keep turning into folders holding applications, files, links to the
// folder outside and links to themselves while the watcher lists and searches them. It must
// keep working, never report through a link, and leave everything where it was.
TEST_F(TrashFaultTest, EntriesChangingTypeWhileTheWatcherListsThemAreNeverFollowed) {
    makeApp(outside + "/Lure.app", "com.example.lure");
    start();
    Watchdog watchdog("the racing Trash test", 120s);
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::string staging = outside + "/staging";
    std::thread racer([&] {
        for (int round = 0; !stop.load(); ++round) {
            std::string slot = trash + "/Slot";
            makeApp(staging + "/Folder/Inner " + std::to_string(round) + ".app", "com.example.in");
            makeDirs(staging + "/Folder/a/b/c");
            std::rename((staging + "/Folder").c_str(), slot.c_str());
            std::rename(slot.c_str(), (staging + "/Gone").c_str());
            removeTree(staging + "/Gone");
            writeFile(slot, "file");
            std::remove(slot.c_str());
            symlink(outside.c_str(), slot.c_str());
            std::remove(slot.c_str());
            symlink(slot.c_str(), slot.c_str());
            std::remove(slot.c_str());
            rounds.fetch_add(1);
        }
    });
    // The churn would keep postponing the listing, so it is asked for directly, along with the
    // search of the changing entry, in between handling whatever the events have scheduled.
    for (int listing = 0; listing < 300; ++listing) {
        watcher->updateDirContent();
        watcher->checkFolderForAppsWithPath(trash + "/Slot");
        runFor(1ms);
    }
    stop.store(true);
    racer.join();
    EXPECT_GT(rounds.load(), 0);

    makeApp(outside + "/After.app", "com.example.after");
    move(outside + "/After.app", trash + "/After.app");
    ASSERT_TRUE(waitFor([&] { return delegate->reported(trash + "/After.app"); }));
    for (const std::string& report : delegate->reports) {
        EXPECT_EQ(report.find("Lure"), std::string::npos) << "followed a link: " << report;
        EXPECT_TRUE(report.ends_with(".app")) << report;
    }
    EXPECT_TRUE(std::ifstream(outside + "/Lure.app/Contents/Info.plist").good());
}

// A folder ten thousand levels deep arrives in the Trash with an application at the bottom:
// the search of the arriving folder reaches it and the main thread is not held up for long.
TEST_F(TrashFaultTest, AnApplicationAtTheBottomOfATenThousandLevelFolderIsFound) {
    std::string base = Sandbox::process().makeFolder("deep");
    // Removing the chain from a disk takes seconds of journal work; a memory file system
    // does not, and a shorter chain keeps the disk variant quick.
    const bool inMemory = mount("tmpfs", base.c_str(), "tmpfs", 0, "size=64m") == 0;
    const int depth = inMemory ? 10000 : 2000;
    makeDirs(base + "/Trash");
    makeDirs(base + "/Staging/Folder");
    makeChain(base + "/Staging/Folder", depth, "Bottom.app", kLeafFolder);
    watcher = DirectoryWatcher::create(base + "/Trash");
    ASSERT_TRUE(watcher);
    watcher->setDelegate(delegate);
    Watchdog watchdog("the search of a deep folder", 120s);

    move(base + "/Staging/Folder", base + "/Trash/Folder");
    // Both arriving folders, "Folder" and its "d", are searched, so it is found twice.
    ASSERT_TRUE(waitFor([&] { return delegate->reports.size() >= 2; }));
    runFor(DirectoryWatcher::kFolderScanDelay / 5);
    ASSERT_EQ(delegate->reports.size(), 2u);
    EXPECT_EQ(delegate->reports[0], delegate->reports[1]);
    EXPECT_TRUE(delegate->reports[0].ends_with("/d/Bottom.app"));
    EXPECT_EQ(delegate->reports[0].size(), (base + "/Trash/Folder").size() + 2 * depth + 11);
    watcher.reset();
    if (inMemory) {
        EXPECT_EQ(umount2(base.c_str(), MNT_DETACH), 0);
    }
}

namespace {

class BundleListener : public AppsInTrashWatcherListener {
public:
    void onAppMovedToTrash(const std::shared_ptr<platform::Bundle>& bundle) override {
        reports.push_back({bundle->bundlePath(), bundle->bundleIdentifier().value_or("")});
    }
    std::vector<std::pair<std::string, std::string>> reports;
};

} // namespace

// An entry of the Trash keeps changing between an application, a file of the same name, a
// link to an application elsewhere, a folder that is no bundle and nothing, while the watcher
// lists the Trash and makes bundles of what it finds. Only real applications in the Trash
// reach the listener, each with its identifier.
TEST(AppsInTrashFaults, EntriesChangingTypeAtTheFinalTestAreNeverReportedThroughALink) {
    platform::setTimeScale(0.1);
    const std::string home = Sandbox::process().home();
    const std::string trash = home + "/.Trash";
    const std::string staging = Sandbox::process().makeFolder("shifting");
    makeDirs(trash);
    makeDirs(home + "/Library/Safari");
    writeFile(home + "/Library/Safari/History.db", "x");
    makeApp(staging + "/Lure.app", "com.example.lure");
    auto listener = std::make_shared<BundleListener>();
    auto watcher = AppsInTrashWatcher::create(listener);
    ASSERT_TRUE(watcher && watcher->trashWatcher());
    Watchdog watchdog("the shifting Trash entry", 120s);

    std::atomic<bool> stop{false};
    std::thread racer([&] {
        const std::string slot = trash + "/Shifty.app";
        while (!stop.load()) {
            makeApp(staging + "/Shifty.app", "com.example.shifty");
            std::rename((staging + "/Shifty.app").c_str(), slot.c_str());
            std::rename(slot.c_str(), (staging + "/Gone.app").c_str());
            removeTree(staging + "/Gone.app");
            writeFile(slot, "file");
            std::remove(slot.c_str());
            symlink((staging + "/Lure.app").c_str(), slot.c_str());
            std::remove(slot.c_str());
            mkdir(slot.c_str(), 0755);
            rmdir(slot.c_str());
        }
    });
    for (int listing = 0; listing < 300; ++listing) {
        watcher->trashWatcher()->updateDirContent();
        runFor(1ms);
    }
    stop.store(true);
    racer.join();

    makeApp(staging + "/Steady.app", "com.example.steady");
    move(staging + "/Steady.app", trash + "/Steady.app");
    ASSERT_TRUE(waitFor([&] {
        return std::find_if(listener->reports.begin(), listener->reports.end(), [&](auto& r) {
                   return r.first == trash + "/Steady.app";
               }) != listener->reports.end();
    }));
    for (const auto& [path, identifier] : listener->reports) {
        EXPECT_TRUE(identifier == "com.example.shifty" || identifier == "com.example.steady")
            << path << " (" << identifier << ")";
        EXPECT_TRUE(path.starts_with(trash + "/")) << path;
    }
    EXPECT_TRUE(std::ifstream(staging + "/Lure.app/Contents/Info.plist").good());
    watcher.reset();
    removeTree(home + "/Library/Safari");
    removeTree(trash);
    platform::setTimeScale(1.0);
}
