// Loading a 200,000-entry folder tree into FileItem nodes against `find` listing the
// same tree. The tree is generated once under $TMPDIR and kept between runs. Pairs
// follow the convention of bench/ratios.py; figures are CPU time (user and system),
// which other work on a shared machine disturbs far less than wall-clock time.
#include "RunBenchmarks.h"
#include "knowledge/MutableSystemSkipList.h"
#include "platform/FileSystem.h"
#include "search/FileItem.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kEntries = 200000;
constexpr const char* kMarker = ".complete";

std::string treeFolder() {
    return platform::FileSystem::temporaryDirectory() + "/sweepwise-bench-filetree-200k";
}

// Shaped like a user's Library: nested folders of a few to a few dozen entries, now
// and then a large one, names of mixed length, a few symbolic links. No packages, so
// that both sides walk the same folders.
class TreeMaker {
public:
    explicit TreeMaker(std::string root) : m_root(std::move(root)) {}

    bool make() {
        if (!platform::FileSystem::createDirectory(m_root, true))
            return false;
        for (int top = 0; m_count < kEntries && m_ok; ++top) {
            std::string folder = m_root + "/Group " + std::to_string(top);
            if (makeFolder(folder))
                fill(folder, 0);
        }
        return m_ok;
    }

private:
    std::string name(int index) {
        static const char* const kStems[] = {"com.example.",       "Cache.db",     "data_", "file ",
                                             "org.sample.helper.", "Preferences-", "x"};
        std::string stem = kStems[m_random() % 7];
        return stem + std::to_string(index) + (m_random() % 3 == 0 ? ".plist" : ".dat");
    }

    bool makeFolder(const std::string& path) {
        if (mkdir(path.c_str(), 0755) != 0) {
            m_ok = false;
            return false;
        }
        ++m_count;
        return true;
    }

    void fill(const std::string& folder, int level) {
        int files = m_random() % 50 == 0 ? 400 : 4 + static_cast<int>(m_random() % 14);
        for (int i = 0; i < files && m_count < kEntries && m_ok; ++i) {
            std::string path = folder + "/" + name(i);
            if (m_random() % 200 == 0) {
                m_ok = symlink("../elsewhere", path.c_str()) == 0;
            } else {
                int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                m_ok = descriptor >= 0;
                if (descriptor >= 0)
                    close(descriptor);
            }
            ++m_count;
        }
        int folders = level < 5 ? 1 + static_cast<int>(m_random() % 4) : 0;
        for (int i = 0; i < folders && m_count < kEntries && m_ok; ++i) {
            std::string path =
                folder + "/Folder " + std::to_string(level) + "-" + std::to_string(i);
            if (makeFolder(path))
                fill(path, level + 1);
        }
    }

    std::string m_root;
    std::mt19937 m_random{20240611};
    int m_count{0};
    bool m_ok{true};
};

bool ensureTree(const std::string& root) {
    std::string marker = root + "/" + kMarker;
    if (access(marker.c_str(), F_OK) == 0)
        return true;
    platform::FileSystem::removeItem(root);
    if (!TreeMaker(root).make())
        return false;
    return platform::FileSystem::writeFileAtomically(marker, "");
}

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::size_t countNodes(const FileItem& item) {
    std::size_t count = 1;
    if (const FileItem::Children* children = item.getChildren()) {
        for (const auto& entry : *children)
            count += countNodes(*entry.second);
    }
    return count;
}

// The time of the load, without the release of the tree, which `find` has no
// counterpart of.
void loadOurs(benchmark::State& state, const std::string* root) {
    MutableSystemSkipList skipList;
    std::size_t nodes = 0;
    for (auto _ : state) {
        double start = threadSeconds();
        std::shared_ptr<FileItem> tree = FileItem::createTreeForPath(*root, &skipList);
        state.SetIterationTime(threadSeconds() - start);
        if (!tree) {
            state.SkipWithError("the tree did not load");
            return;
        }
        nodes = countNodes(*tree);
    }
    state.counters["entries"] = static_cast<double>(nodes - 1);
}

// `find DIR` as a child process with its output going to /dev/null; its CPU time
// comes from the kernel's accounting of the child.
void listAnchor(benchmark::State& state, const std::string* root) {
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>("find"), const_cast<char*>(root->c_str()), nullptr};
        pid_t child = 0;
        int failed = posix_spawnp(&child, "find", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        rusage usage{};
        if (failed != 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            state.SkipWithError("find failed");
            return;
        }
        auto seconds = [](const timeval& t) {
            return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
        };
        state.SetIterationTime(seconds(usage.ru_utime) + seconds(usage.ru_stime));
    }
}

} // namespace

int main(int argc, char** argv) {
    static const std::string root = treeFolder();
    if (!ensureTree(root)) {
        std::fprintf(stderr, "bench_filetree: cannot generate the tree in %s\n", root.c_str());
        return 1;
    }
    benchmark::RegisterBenchmark("filetree.load-200k/ours", loadOurs, &root)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("filetree.load-200k/anchor", listAnchor, &root)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();

    return runRegisteredBenchmarks(argc, argv);
}
