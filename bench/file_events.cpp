// The idle cost of watching for applications moved to the Trash: a process that watches the
// Trash folder and mirrors 500 folders below the applications folders, left alone for a
// while (BENCH_IDLE_SECONDS, 30 by default). The figure is the number of times its threads
// were woken (voluntary context switches of every thread but the benchmark's own); the CPU
// time of the whole process is reported beside it.
//
// It also watches the Flatpak installations: the user's, holding one application, and the
// system's, which does not exist and is waited for from its parent.
//
// The anchor is the waiting scheme of one thread per watched folder that wakes once a second
// to look at a run flag: the same number of threads, each blocking with a one-second timeout.
// Ours should not be woken at all while nothing changes.
#include "RunBenchmarks.h"
#include "shell/FlatpakWatcher.h"
#include "shell/MoveToTrashWithoutTrashAccessMonitor.h"
#include "shell/VDKQueue.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <ftw.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kTopFolders = 100;
constexpr int kFoldersPerTop = 4;

struct Usage {
    double cpuSeconds{0};
    long long wakeUps{0};
};

// Voluntary switches are counted per thread; the calling thread, which only sleeps through the
// window, is left out.
Usage usageOfOtherThreads() {
    Usage usage;
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which may itself hold spaces and parentheses.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            user = std::stoull(field);
        if (index == 15) {
            system = std::stoull(field);
            break;
        }
    }
    usage.cpuSeconds =
        static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));

    std::string self = std::to_string(syscall(SYS_gettid));
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* task = readdir(tasks)) {
            std::string name = task->d_name;
            if (name == "." || name == ".." || name == self)
                continue;
            std::ifstream status("/proc/self/task/" + name + "/status");
            std::string line;
            while (std::getline(status, line)) {
                if (line.starts_with("voluntary_ctxt_switches:"))
                    usage.wakeUps += std::stoll(line.substr(line.find(':') + 1));
            }
        }
        closedir(tasks);
    }
    return usage;
}

double idleSeconds() {
    const char* value = std::getenv("BENCH_IDLE_SECONDS");
    double seconds = value ? std::atof(value) : 30.0;
    return seconds > 0 ? seconds : 30.0;
}

void idle(benchmark::State& state) {
    auto window = std::chrono::duration<double>(idleSeconds());
    Usage before, after;
    for (auto _ : state) {
        before = usageOfOtherThreads();
        std::this_thread::sleep_for(window);
        after = usageOfOtherThreads();
        state.SetIterationTime(window.count());
    }
    state.counters["figure:wake-ups"] = static_cast<double>(after.wakeUps - before.wakeUps);
    state.counters["cpu_seconds"] = after.cpuSeconds - before.cpuSeconds;
    state.counters["idle_seconds"] = window.count();
}

struct Watching {
    std::shared_ptr<MoveToTrashWithoutTrashAccessMonitor> monitor;
    std::shared_ptr<VDKQueue> trash;
    std::shared_ptr<FlatpakWatcher> flatpaks;
    std::size_t watchedFolders{0};
};

std::size_t countWatched(const MoveToTrashWithoutTrashAccessMonitorSingleDirectory& mirror) {
    std::size_t count = mirror.directoryObserver() ? 1 : 0;
    for (const auto& [path, child] : mirror.subdirectories())
        count += countWatched(*child);
    return count;
}

Watching* watching = nullptr;

void idleOurs(benchmark::State& state) {
    idle(state);
    state.counters["watched_folders"] = static_cast<double>(watching->watchedFolders);
}

// One thread per watched folder, each blocking with a one-second timeout until told to stop.
void idleAnchor(benchmark::State& state) {
    int stop = eventfd(0, EFD_CLOEXEC);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < watching->watchedFolders; ++i) {
        threads.emplace_back([stop] {
            pollfd wake{stop, POLLIN, 0};
            while (poll(&wake, 1, 1000) == 0) {
            }
        });
    }
    idle(state);
    std::uint64_t one = 1;
    if (write(stop, &one, sizeof one) != sizeof one)
        std::abort();
    for (auto& thread : threads)
        thread.join();
    close(stop);
}

void makeFolder(const std::string& path) {
    mkdir(path.c_str(), 0755);
}

std::string makeTree() {
    std::string base = (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    base += "/bench-file-events-XXXXXX";
    if (!mkdtemp(base.data()))
        return {};
    makeFolder(base + "/home");
    makeFolder(base + "/home/.Trash");
    makeFolder(base + "/home/Applications");
    const std::string flatpak = base + "/home/.local/share/flatpak";
    for (const std::string& folder :
         {base + "/home/.local", base + "/home/.local/share", flatpak, flatpak + "/app",
          flatpak + "/app/org.example.App", flatpak + "/app/org.example.App/c"})
        makeFolder(folder);
    if (FILE* metadata = std::fopen((flatpak + "/app/org.example.App/c/metadata").c_str(), "w"))
        std::fclose(metadata);
    if (symlink(".", (flatpak + "/app/org.example.App/current").c_str()) != 0 ||
        symlink("c", (flatpak + "/app/org.example.App/active").c_str()) != 0)
        return {};
    makeFolder(base + "/root");
    makeFolder(base + "/root/Applications");
    // Level-1 folders are always watched, level-2 folders because each holds an application.
    for (int top = 0; top < kTopFolders; ++top) {
        std::string folder = base + "/root/Applications/Suite " + std::to_string(top);
        makeFolder(folder);
        for (int inner = 0; inner < kFoldersPerTop; ++inner) {
            std::string sub = folder + "/Part " + std::to_string(inner);
            makeFolder(sub);
            makeFolder(sub + "/Tool.app");
            makeFolder(sub + "/Tool.app/Contents");
        }
    }
    return base;
}

void removeTree(const std::string& path) {
    nftw(
        path.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 64,
        FTW_DEPTH | FTW_PHYS);
}

} // namespace

int main(int argc, char** argv) {
    std::string base = makeTree();
    if (base.empty()) {
        std::fprintf(stderr, "bench_file_events: cannot create the folder tree\n");
        return 1;
    }
    setenv("SWEEPWISE_HOME", (base + "/home").c_str(), 1);
    setenv("SWEEPWISE_ROOT", (base + "/root").c_str(), 1);

    auto started = std::chrono::steady_clock::now();
    static Watching watched;
    watched.monitor = MoveToTrashWithoutTrashAccessMonitor::create();
    watched.trash = VDKQueue::create();
    if (!watched.monitor || !watched.trash) {
        std::fprintf(stderr, "bench_file_events: cannot watch\n");
        return 1;
    }
    watched.trash->addPath(base + "/home/.Trash");
    // The user installation's folder, its app folder and the wait for the system one.
    watched.flatpaks = FlatpakWatcher::create({});
    while (watched.flatpaks->listingCount() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    watched.watchedFolders += 3;
    for (const auto& top : watched.monitor->submonitors())
        watched.watchedFolders += countWatched(*top);
    watched.watchedFolders += watched.trash->numberOfWatchedPaths();
    std::chrono::duration<double> setUp = std::chrono::steady_clock::now() - started;
    std::fprintf(stderr, "bench_file_events: %zu folders watched, set up in %.3f s\n",
                 watched.watchedFolders, setUp.count());
    watching = &watched;

    benchmark::RegisterBenchmark("idle/ours", idleOurs)
        ->Iterations(1)
        ->Repetitions(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("idle/anchor", idleAnchor)
        ->Iterations(1)
        ->Repetitions(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);

    int status = runRegisteredBenchmarks(argc, argv);
    watched = {};
    removeTree(base);
    return status;
}
