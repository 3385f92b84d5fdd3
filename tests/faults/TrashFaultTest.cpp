#include "FaultTestSupport.h"
#include "platform/FileEventReader.h"
#include "platform/TimeScale.h"
#include "shell/AppsInTrashWatcher.h"
#include "shell/DirectoryWatcher.h"
#include "shell/TrashTestSupport.h"

#include <algorithm>
#include <set>
#include <sys/inotify.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// What the Trash watcher reports, and the bundles the applications watcher makes of them.
class Recorder : public DirectoryWatcherDelegate, public AppsInTrashWatcherListener {
public:
    void onAddedAppWithPath(const std::string& path) override { reports.push_back(path); }
    void onAppMovedToTrash(const std::shared_ptr<platform::Bundle>& bundle) override {
        reports.push_back(bundle->bundlePath());
        identifiers.push_back(bundle->bundleIdentifier().value_or(""));
    }
    bool reported(const std::string& path) const {
        return std::find(reports.begin(), reports.end(), path) != reports.end();
    }
    std::vector<std::string> reports;
    std::vector<std::string> identifiers;
};

class TrashFaultTest : public testing::Test {
protected:
    void SetUp() override { platform::setTimeScale(0.1); }
    void TearDown() override { platform::setTimeScale(1.0); }

    void start(const std::string& folder) {
        watcher = DirectoryWatcher::create(folder);
        ASSERT_TRUE(watcher);
        watcher->setDelegate(delegate);
    }

    const std::string trash = Sandbox::process().makeFolder("trash");
    const std::string outside = Sandbox::process().makeFolder("outside");
    std::shared_ptr<Recorder> delegate = std::make_shared<Recorder>();
    std::shared_ptr<DirectoryWatcher> watcher;
};

// Whether the unread queue of an inotify instance ends in the kernel's overflow event.
bool sawOverflow(int instance) {
    alignas(inotify_event) char buffer[65536];
    bool overflowed = false;
    for (ssize_t length; (length = read(instance, buffer, sizeof buffer)) > 0;) {
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            overflowed = overflowed || (event->mask & IN_Q_OVERFLOW) != 0;
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return overflowed;
}

} // namespace

// The late application's events are dropped with the overflow; only the listing it asks for
// can find it.
TEST_F(TrashFaultTest, ApplicationMovedInAfterAKernelQueueOverflowIsStillReported) {
    std::size_t limit = 0;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> limit;
    ASSERT_GT(limit, 0u);
    ASSERT_LE(limit, 1u << 20) << "the kernel queue is too long to flood in a test";
    start(trash);
    Watchdog watchdog("the overflow test", 120s);
    // The flood goes through a folder of its own that the shared reader also watches, so the
    // Trash hears nothing of it: only the listing the overflow asks for can find the late
    // application. A sink there holds the reader thread as a reader starved of processor
    // time would be; the flags are shared, since the sink may run once more after the
    // unsubscription.
    const std::string room = outside + "/flood-room";
    makeDirs(room);
    auto stalled = std::make_shared<Flag>(), released = std::make_shared<Flag>();
    auto stall = platform::FileEventReader::shared()->subscribe(room, VDKQueueNotes::Write,
                                                                [stalled, released](std::uint32_t) {
                                                                    stalled->raise();
                                                                    released->wait(60s);
                                                                });
    ASSERT_TRUE(stall);
    std::shared_ptr<void> endStall(nullptr, [&](void*) {
        released->raise();
        platform::FileEventReader::shared()->unsubscribe(*stall);
    });

    // An instance nobody reads shows that the flood does overflow a queue.
    int witness = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(witness, 0);
    ASSERT_GE(inotify_add_watch(witness, room.c_str(), IN_MOVE), 0);
    writeFile(room + "/flood", "");
    ASSERT_TRUE(stalled->wait());
    // Each rename is two events; the queue is full well before the loop ends.
    for (std::size_t round = 0; round <= limit / 2 + 64; ++round) {
        move(room + "/flood", room + "/flood2");
        move(room + "/flood2", room + "/flood");
    }
    makeApp(outside + "/Late.app", "com.example.late");
    move(outside + "/Late.app", trash + "/Late.app");
    released->raise();
    EXPECT_TRUE(sawOverflow(witness));
    close(witness);

    ASSERT_TRUE(waitFor([&] { return delegate->reported(trash + "/Late.app"); }));
    EXPECT_EQ(delegate->reports, std::vector<std::string>{trash + "/Late.app"});
    EXPECT_TRUE(std::ifstream(room + "/flood").good());
}

TEST_F(TrashFaultTest, AThousandApplicationsInOneBurstAreReportedOnceWithBoundedMemory) {
    constexpr int kApps = 1000;
    auto name = [](int app) { return "/App " + std::to_string(app) + ".app"; };
    for (int app = 0; app < kApps; ++app)
        makeApp(outside + name(app));
    start(trash);
    Watchdog watchdog("the burst test", 120s);
    const std::uint64_t residentBefore = residentKiB();
    ASSERT_GT(residentBefore, 0u);
    for (int app = 0; app < kApps; ++app)
        move(outside + name(app), trash + name(app));
    ASSERT_TRUE(waitFor([&] { return delegate->reports.size() >= kApps; }));
    runFor(DirectoryWatcher::kRefreshDelay / 2); // time for a wrong second listing
    EXPECT_EQ(watcher->refreshCount(), 1u);
    std::set<std::string> distinct(delegate->reports.begin(), delegate->reports.end());
    EXPECT_EQ(delegate->reports.size(), static_cast<std::size_t>(kApps));
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kApps));
    EXPECT_TRUE(distinct.count(trash + name(kApps - 1)));
    // A few hundred bytes per application; a copy of the listing per event would pass 16 MiB.
    if (kResidentSetIsMeaningful) {
        EXPECT_LT(residentKiB(), residentBefore + 16 * 1024) << residentBefore << " KiB before";
    }
}

TEST_F(TrashFaultTest, EntriesChangingTypeWhileTheWatcherListsThemAreNeverFollowed) {
    makeApp(outside + "/Lure.app", "com.example.lure");
    start(trash);
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
    // The churn would keep postponing the listing, so it and the search are called directly.
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

TEST_F(TrashFaultTest, AnApplicationAtTheBottomOfATenThousandLevelFolderIsFound) {
    std::string base = Sandbox::process().makeFolder("deep");
    ScopedMemoryFileSystem memory(base, "size=64m");
    const int depth = memory.mounted() ? 10000 : 2000;
    makeDirs(base + "/Trash");
    makeDirs(base + "/Staging/Folder");
    makeChain(base + "/Staging/Folder", depth, "Bottom.app", kLeafFolder);
    start(base + "/Trash");
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
}

// Each find of the shifting entry goes through the final application test before a bundle is
// made of it.
using AppsInTrashFaults = TrashFaultTest;

TEST_F(AppsInTrashFaults, EntriesChangingTypeAtTheFinalTestAreNeverReportedThroughALink) {
    const std::string home = Sandbox::process().home();
    const std::string homeTrash = Sandbox::process().trash();
    makeDirs(homeTrash);
    makeApp(outside + "/Lure.app", "com.example.lure");
    auto appsWatcher = AppsInTrashWatcher::create(delegate);
    ASSERT_TRUE(appsWatcher && appsWatcher->trashWatcher());
    Watchdog watchdog("the shifting Trash entry", 120s);

    std::atomic<bool> stop{false};
    std::thread racer([&] {
        const std::string slot = homeTrash + "/Shifty.app";
        while (!stop.load()) {
            makeApp(outside + "/Shifty.app", "com.example.shifty");
            std::rename((outside + "/Shifty.app").c_str(), slot.c_str());
            std::rename(slot.c_str(), (outside + "/Gone.app").c_str());
            removeTree(outside + "/Gone.app");
            writeFile(slot, "file");
            std::remove(slot.c_str());
            symlink((outside + "/Lure.app").c_str(), slot.c_str());
            std::remove(slot.c_str());
            mkdir(slot.c_str(), 0755);
            rmdir(slot.c_str());
        }
    });
    for (int listing = 0; listing < 300; ++listing) {
        appsWatcher->trashWatcher()->updateDirContent();
        runFor(1ms);
    }
    stop.store(true);
    racer.join();

    makeApp(outside + "/Steady.app", "com.example.steady");
    move(outside + "/Steady.app", homeTrash + "/Steady.app");
    ASSERT_TRUE(waitFor([&] { return delegate->reported(homeTrash + "/Steady.app"); }));
    for (std::size_t report = 0; report < delegate->reports.size(); ++report) {
        const std::string& identifier = delegate->identifiers[report];
        EXPECT_TRUE(identifier == "com.example.shifty" || identifier == "com.example.steady")
            << delegate->reports[report] << " (" << identifier << ")";
        EXPECT_TRUE(delegate->reports[report].starts_with(homeTrash + "/"))
            << delegate->reports[report];
    }
    EXPECT_TRUE(std::ifstream(outside + "/Lure.app/Contents/Info.plist").good());
    appsWatcher.reset();
    removeTree(homeTrash);
}
