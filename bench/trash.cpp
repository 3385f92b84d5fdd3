// A burst of 10,000 entries (one of them an application) dropped into a watched Trash folder
// by rename(2): the time from the last arrival to the end of the refresh it causes, less the
// 2-second wait for quiet. Ours is DirectoryWatcher: the shared inotify reader thread, the main
// queue, a delayed call re-armed on every event and the FileItem refresh that reports the
// application. The anchor is the least a program can do for the same answer on one thread:
// inotify, poll() with a 2-second timeout re-armed after every read, then the folder's names
// and kinds read into a list. Each iteration drops a fresh burst into a fresh folder.
#include "RunBenchmarks.h"
#include "platform/FileSystem.h"
#include "platform/MainQueue.h"
#include "search/FileItem.h"
#include "shell/DirectoryWatcher.h"

#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kEntries = 10000;
constexpr const char* kApplication = "Dropped.app";

class CountingDelegate : public DirectoryWatcherDelegate {
public:
    void onAddedAppWithPath(const std::string&) override { ++reports; }
    int reports{0};
};

// A Trash folder and, on the same volume, a staging folder holding the burst.
class Burst {
public:
    explicit Burst(int entries) : m_entries(entries) {
        static int round = 0;
        m_base = platform::FileSystem::temporaryDirectory() + "/sweepwise-bench-trash-" +
                 std::to_string(getpid()) + "-" + std::to_string(++round);
        m_ok = platform::FileSystem::createDirectory(trash(), true) &&
               platform::FileSystem::createDirectory(
                   m_base + "/staging/" + kApplication + "/Contents/MacOS", true);
        for (int i = 1; i < m_entries && m_ok; ++i) {
            int descriptor = open((m_base + "/staging/" + name(i)).c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            m_ok = descriptor >= 0;
            if (descriptor >= 0)
                close(descriptor);
        }
    }
    ~Burst() { platform::FileSystem::removeItem(m_base); }

    bool ok() const { return m_ok; }
    std::string trash() const { return m_base + "/.Trash"; }

    // Moves every entry into the Trash, the application halfway; answers when the last one
    // arrived.
    Clock::time_point drop() {
        for (int i = 1; i < m_entries; ++i) {
            if (i == m_entries / 2)
                moveIn(kApplication);
            moveIn(name(i));
        }
        return Clock::now();
    }

private:
    static std::string name(int index) { return "Item " + std::to_string(index) + ".dat"; }

    void moveIn(const std::string& entry) {
        if (std::rename((m_base + "/staging/" + entry).c_str(), (trash() + "/" + entry).c_str()))
            m_ok = false;
    }

    int m_entries;
    std::string m_base;
    bool m_ok{false};
};

double millisecondsLate(Clock::time_point last, Clock::time_point done) {
    return std::chrono::duration<double, std::milli>(done - last - DirectoryWatcher::kRefreshDelay)
        .count();
}

void report(benchmark::State& state, double totalLate, int iterations) {
    state.counters["figure:ms"] = iterations ? totalLate / iterations : 0.0;
}

// The shared reader and timer threads are started once, as in the helper, before measuring.
void warmUp() {
    static const bool done = [] {
        Burst burst(10);
        auto watcher = DirectoryWatcher::create(burst.trash());
        burst.drop();
        platform::MainQueue::shared().runUntil([&] { return watcher->refreshCount() > 0; }, 10s);
        return true;
    }();
    (void)done;
}

void refreshOurs(benchmark::State& state) {
    warmUp();
    double totalLate = 0;
    int iterations = 0;
    for (auto _ : state) {
        Burst burst(kEntries);
        if (!burst.ok()) {
            state.SkipWithError("cannot prepare the burst");
            return;
        }
        auto delegate = std::make_shared<CountingDelegate>();
        auto watcher = DirectoryWatcher::create(burst.trash());
        watcher->setDelegate(delegate);
        Clock::time_point last = burst.drop();
        bool refreshed = platform::MainQueue::shared().runUntil(
            [&] { return watcher->refreshCount() > 0; }, DirectoryWatcher::kRefreshDelay + 30s);
        Clock::time_point done = Clock::now();
        // Anything that arrives later than this would be a second refresh of the same burst.
        platform::MainQueue::shared().runUntil([] { return false; },
                                               DirectoryWatcher::kRefreshDelay + 500ms);
        auto root = watcher->getFileItemWithPath(burst.trash());
        if (!refreshed || !burst.ok() || watcher->refreshCount() != 1 || delegate->reports != 1 ||
            !root || !root->getChildren() || root->getChildren()->size() != kEntries) {
            state.SkipWithError("the burst did not lead to exactly one complete refresh");
            return;
        }
        double late = millisecondsLate(last, done);
        state.SetIterationTime(late / 1000);
        totalLate += late;
        ++iterations;
    }
    report(state, totalLate, iterations);
}

std::size_t listWithKinds(const std::string& folder) {
    DIR* directory = opendir(folder.c_str());
    if (!directory)
        return 0;
    std::vector<std::pair<std::string, bool>> entries;
    while (dirent* entry = readdir(directory)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat status {};
            isFolder =
                fstatat(dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(status.st_mode);
        }
        entries.emplace_back(name, isFolder);
    }
    closedir(directory);
    return entries.size();
}

void refreshAnchor(benchmark::State& state) {
    warmUp();
    double totalLate = 0;
    int iterations = 0;
    const int quiet = static_cast<int>(DirectoryWatcher::kRefreshDelay.count());
    for (auto _ : state) {
        Burst burst(kEntries);
        int events = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (!burst.ok() || events < 0 ||
            inotify_add_watch(events, burst.trash().c_str(),
                              IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                  IN_MODIFY | IN_DELETE_SELF | IN_MOVE_SELF) < 0) {
            if (events >= 0)
                close(events);
            state.SkipWithError("cannot prepare the burst");
            return;
        }
        Clock::time_point last = burst.drop();
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            pollfd ready{events, POLLIN, 0};
            int result = poll(&ready, 1, quiet);
            if (result == 0)
                break;
            if (result < 0 && errno != EINTR)
                break;
            while (read(events, buffer, sizeof buffer) > 0) {
            }
        }
        std::size_t listed = listWithKinds(burst.trash());
        Clock::time_point done = Clock::now();
        close(events);
        if (listed != static_cast<std::size_t>(kEntries)) {
            state.SkipWithError("the folder was not listed completely");
            return;
        }
        double late = millisecondsLate(last, done);
        state.SetIterationTime(late / 1000);
        totalLate += late;
        ++iterations;
    }
    report(state, totalLate, iterations);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("trash.burst-10k.refresh-lateness/ours", refreshOurs)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(1);
    benchmark::RegisterBenchmark("trash.burst-10k.refresh-lateness/anchor", refreshAnchor)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(1);

    return runRegisteredBenchmarks(argc, argv);
}
