// The size calculator against GNU du and gdu, on generated leftover trees that are kept
// under $TMPDIR between runs (generating them takes a minute). Pairs follow the
// convention of bench/ratios.py: <comparison>/ours and <comparison>/anchor, wall-clock
// time per measurement, warm cache.
//
//   sizes.single-tree.vs-du   one 200,000-item tree: the calculator against `du -s -B1`
//   sizes.single-tree.vs-one-worker
//                             the same tree: the calculator, whose idle workers join the
//                             walk, against the walk alone on one thread
//   sizes.leftovers.vs-du     thirteen standard leftovers and two 100,000-item trees
//                             through the calculator's four workers, against
//                             `du -s -B1` on each path in turn
//   sizes.leftovers.vs-gdu    the same paths, against `gdu -n -s -p --no-prefix` on each
//                             path in turn
#include "platform/FileSystem.h"
#include "platform/MainQueue.h"
#include "search/SimpleSizeCalculation.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Raise when the layout below changes, so that old trees are not measured as new ones.
constexpr const char* kCorpusVersion = "sweepwise-bench-sizes-1";

using Clock = std::chrono::steady_clock;

struct Leftover {
    const char* path;  // below the corpus's home folder
    std::size_t items; // 0: a single file
};

// Thirteen standard locations of one application, then what the knowledge base adds: two
// large trees.
const Leftover kLeftovers[] = {
    {"Library/Application Support/Foo", 8000},
    {"Library/Caches/com.example.foo", 6000},
    {"Library/Preferences/com.example.foo.plist", 0},
    {"Library/Containers/com.example.foo", 5000},
    {"Library/Group Containers/group.com.example.foo", 1500},
    {"Library/Saved Application State/com.example.foo.savedState", 10},
    {"Library/Logs/Foo", 300},
    {"Library/Cookies/com.example.foo.binarycookies", 0},
    {"Library/WebKit/com.example.foo", 800},
    {"Library/HTTPStorages/com.example.foo", 200},
    {"Library/Application Scripts/com.example.foo", 5},
    {"Library/Logs/DiagnosticReports/Foo_2024-05-01-101010.crash", 0},
    {"Library/LaunchAgents/com.example.foo.agent.plist", 0},
    {"Library/Application Support/Foo Media", 100000},
    {"Library/Caches/com.example.foo.media", 100000},
};

// Folders of ten to forty files and two to five subfolders, seven or so levels deep;
// one file in seven holds data, a few items are symbolic links.
class TreeMaker {
public:
    void fill(int folder, std::size_t budget) {
        std::size_t files = std::min<std::size_t>(budget, 10 + next() % 31);
        for (std::size_t index = 0; index < files; ++index)
            makeItem(folder, name("item", index));
        budget -= files;
        if (budget == 0)
            return;
        std::size_t folders = std::min<std::size_t>(budget, 2 + next() % 4);
        budget -= folders;
        for (std::size_t index = 0; index < folders; ++index) {
            std::string child = name("folder", index);
            mkdirat(folder, child.c_str(), 0755);
            int descriptor = openat(folder, child.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (descriptor < 0)
                continue;
            std::size_t share = budget / (folders - index);
            budget -= share;
            fill(descriptor, share);
            close(descriptor);
        }
    }

    void makeItem(int folder, const std::string& itemName) {
        std::uint64_t kind = next() % 100;
        if (kind == 0) {
            symlinkat("../elsewhere/target-of-a-link", folder, itemName.c_str());
            return;
        }
        int file = openat(folder, itemName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (file < 0)
            return;
        if (kind < 15) {
            std::string data(1 + next() % 16000, 'd');
            if (write(file, data.data(), data.size()) < 0)
                std::perror("write");
        }
        close(file);
    }

private:
    std::string name(const char* stem, std::size_t index) {
        std::string result = stem;
        result += '-';
        result += std::to_string(index);
        result += '-';
        for (std::uint64_t extra = next() % 24; extra > 0; --extra)
            result += static_cast<char>('a' + next() % 26);
        return result;
    }

    std::uint64_t next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }

    std::uint64_t m_state{0x9e3779b97f4a7c15ull};
};

struct Corpus {
    std::string single;
    std::vector<std::string> leftovers;
};

bool makeFolderTree(const std::string& path, std::size_t items, TreeMaker& maker) {
    if (!platform::FileSystem::createDirectory(path, true))
        return false;
    int folder = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return false;
    maker.fill(folder, items);
    close(folder);
    return true;
}

// The trees, generated on first use.
const Corpus* corpus() {
    static const Corpus* made = []() -> const Corpus* {
        std::string base = platform::FileSystem::temporaryDirectory() + "/" + kCorpusVersion;
        auto* result = new Corpus();
        result->single = base + "/single";
        for (const Leftover& leftover : kLeftovers)
            result->leftovers.push_back(base + "/home/" + leftover.path);
        std::string done = base + "/complete";
        if (platform::FileSystem::fileExists(done))
            return result;
        std::fprintf(stderr, "sizes: generating the trees under %s\n", base.c_str());
        platform::FileSystem::removeItem(base);
        TreeMaker maker;
        if (!makeFolderTree(result->single, 200000, maker))
            return nullptr;
        for (std::size_t index = 0; index < std::size(kLeftovers); ++index) {
            const std::string& path = result->leftovers[index];
            std::size_t items = kLeftovers[index].items;
            if (items > 0) {
                if (!makeFolderTree(path, items, maker))
                    return nullptr;
                continue;
            }
            std::string parent = path.substr(0, path.rfind('/'));
            if (!platform::FileSystem::createDirectory(parent, true))
                return nullptr;
            int folder = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            maker.makeItem(folder, path.substr(path.rfind('/') + 1));
            close(folder);
        }
        sync();
        if (!platform::FileSystem::writeFileAtomically(done, "complete\n"))
            return nullptr;
        return result;
    }();
    return made;
}

// Runs a command with its output read through a pipe; answers the first number it
// prints, or nothing when it fails.
std::optional<std::uint64_t> runCommand(const std::vector<std::string>& arguments) {
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    std::string text;
    char buffer[4096];
    ssize_t length = 0;
    while (spawned == 0 && (length = read(output[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(length));
    close(output[0]);
    int status = 0;
    if (spawned != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return std::nullopt;
    return std::strtoull(text.c_str(), nullptr, 10);
}

// CPU seconds used so far by this process (every thread) or by its finished children.
double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class Reports : public SimpleSizeCalculationTaskListener {
public:
    void onSimpleSizeCalculationTaskComplete(
        const std::shared_ptr<SimpleSizeCalculationTask>& task) override {
        ++count;
        total += task->itemSize();
    }
    int count{0};
    std::uint64_t total{0};
};

// Hands every path to the calculator and waits on the main queue for every report.
void measureOurs(benchmark::State& state, const std::vector<std::string>& paths) {
    auto calculation = SimpleSizeCalculation::GetInstance();
    std::uint64_t total = 0;
    double cpu = 0;
    for (auto _ : state) {
        auto reports = std::make_shared<Reports>();
        double cpuStart = cpuSeconds(RUSAGE_SELF);
        auto start = Clock::now();
        for (const std::string& path : paths)
            calculation->addTask(std::make_shared<SimpleSizeCalculationTask>(path, reports));
        bool done = platform::MainQueue::shared().runUntil(
            [&] { return reports->count == static_cast<int>(paths.size()); },
            std::chrono::minutes(5));
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        cpu += cpuSeconds(RUSAGE_SELF) - cpuStart;
        if (!done) {
            state.SkipWithError("the calculator did not report every task");
            return;
        }
        total = reports->total;
    }
    state.counters["total_B"] = static_cast<double>(total);
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

// Runs the command once per path, one after another.
void measureCommand(benchmark::State& state, const std::vector<std::string>& command,
                    const std::vector<std::string>& paths) {
    std::uint64_t total = 0;
    double cpu = 0;
    for (auto _ : state) {
        std::uint64_t sum = 0;
        double cpuStart = cpuSeconds(RUSAGE_CHILDREN);
        auto start = Clock::now();
        for (const std::string& path : paths) {
            std::vector<std::string> arguments = command;
            arguments.push_back(path);
            auto size = runCommand(arguments);
            if (!size) {
                state.SkipWithError((command.front() + " failed on " + path).c_str());
                return;
            }
            sum += *size;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        cpu += cpuSeconds(RUSAGE_CHILDREN) - cpuStart;
        total = sum;
    }
    state.counters["total_B"] = static_cast<double>(total);
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

const std::vector<std::string> kDu = {"du", "-s", "-B1"};
const std::vector<std::string> kGdu = {"gdu", "-n", "-s", "-p", "--no-prefix"};

void singleTreeOurs(benchmark::State& state) {
    measureOurs(state, {corpus()->single});
}
void singleTreeAnchor(benchmark::State& state) {
    measureCommand(state, kDu, {corpus()->single});
}
void leftoversOurs(benchmark::State& state) {
    measureOurs(state, corpus()->leftovers);
}
void leftoversDu(benchmark::State& state) {
    measureCommand(state, kDu, corpus()->leftovers);
}
void leftoversGdu(benchmark::State& state) {
    measureCommand(state, kGdu, corpus()->leftovers);
}

// The walk alone, on the calling thread, without the calculator around it.
void singleTreeWalk(benchmark::State& state) {
    std::uint64_t total = 0;
    double cpu = 0;
    for (auto _ : state) {
        double cpuStart = cpuSeconds(RUSAGE_SELF);
        auto start = Clock::now();
        total = SimpleSizeCalculation::sizeOfItemAtPath(corpus()->single);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        cpu += cpuSeconds(RUSAGE_SELF) - cpuStart;
    }
    state.counters["total_B"] = static_cast<double>(total);
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!corpus()) {
        std::fprintf(stderr, "sizes: the trees could not be generated\n");
        return 1;
    }
    auto add = [](const char* name, void (*function)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, function)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    };
    add("sizes.single-tree.vs-du/ours", singleTreeOurs);
    add("sizes.single-tree.vs-du/anchor", singleTreeAnchor);
    add("sizes.single-tree.vs-one-worker/ours", singleTreeOurs);
    add("sizes.single-tree.vs-one-worker/anchor", singleTreeWalk);
    add("sizes.leftovers.vs-du/ours", leftoversOurs);
    add("sizes.leftovers.vs-du/anchor", leftoversDu);
    add("sizes.leftovers.vs-gdu/ours", leftoversOurs);
    add("sizes.leftovers.vs-gdu/anchor", leftoversGdu);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
