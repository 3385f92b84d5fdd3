// Finishing an uninstall, on the offscreen platform unless QT_QPA_PLATFORM names another.
// Pairs follow the convention of bench/ratios.py:
//
//   trash.move-1k/ours       1,000 offered leftovers (800 files and 200 small folders of
//                            three files, on one volume) checked again and moved into the
//                            home Trash with their .trashinfo, the journal and the folder
//                            size cache: Uninstaller::plan() and run()
//   trash.move-1k/anchor     `gio trash` of the same 1,000 items in one call (a process of
//                            its own, which is how a program hands items to it)
//   uninstall.window-5k/ours    the uninstall window built for 5,000 checked items, shown
//                               and drawn once
//   uninstall.window-5k/anchor  an empty QWidget of the same size, shown and drawn once
//
// Each iteration works on fresh items in a fresh home folder; preparing them is not timed.
#include "app/UninstallWindow.h"
#include "platform/FileSystem.h"
#include "removal/Uninstaller.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kItems = 1000;
constexpr int kWindowItems = 5000;

std::string g_home;

void touch(const std::string& path) {
    int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor >= 0) {
        (void)!::write(descriptor, "leftover\n", 9);
        ::close(descriptor);
    }
}

// Fresh leftovers under the home folder's caches, and an empty Trash.
std::vector<std::string> prepare(int count) {
    std::filesystem::remove_all(g_home + "/.local/share/Trash");
    const std::string folder = g_home + "/Library/Caches/com.example.bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    for (int index = 0; index < count; ++index) {
        paths.push_back(folder + "/leftover-" + std::to_string(index));
        if (index % 5 == 4) {
            ::mkdir(paths.back().c_str(), 0755);
            for (int file = 0; file < 3; ++file)
                touch(paths.back() + "/part-" + std::to_string(file));
        } else {
            touch(paths.back());
        }
    }
    return paths;
}

std::vector<std::shared_ptr<PathForRemove>> offers(const std::vector<std::string>& paths) {
    std::vector<std::shared_ptr<PathForRemove>> items;
    for (const std::string& path : paths) {
        items.push_back(PathForRemove::create(path, 8, "com.example.bench"));
        items.back()->setSize(4096);
    }
    return items;
}

Uninstaller uninstaller() {
    TrashMover::Layout layout;
    layout.homeTrash = g_home + "/.local/share/Trash";
    layout.uid = ::getuid();
    return Uninstaller(
        layout, g_home,
        std::make_shared<InstalledApplications>(std::vector<InstalledApplications::Application>{}));
}

void moveOurs(benchmark::State& state) {
    const Uninstaller ours = uninstaller();
    for (auto _ : state) {
        const auto paths = prepare(kItems);
        const auto items = offers(paths);
        const auto start = Clock::now();
        const Uninstaller::Report report = ours.run(ours.plan(items));
        const auto end = Clock::now();
        if (report.moved.size() != kItems) {
            state.SkipWithError("not every item moved");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

void moveAnchor(benchmark::State& state) {
    for (auto _ : state) {
        const auto paths = prepare(kItems);
        std::vector<char*> argv{const_cast<char*>("gio"), const_cast<char*>("trash")};
        for (const std::string& path : paths)
            argv.push_back(const_cast<char*>(path.c_str()));
        argv.push_back(nullptr);
        const auto start = Clock::now();
        pid_t child = 0;
        int status = -1;
        if (posix_spawnp(&child, "gio", nullptr, nullptr, argv.data(), environ) == 0)
            ::waitpid(child, &status, 0);
        const auto end = Clock::now();
        struct stat left {};
        if (status != 0 || ::lstat(paths.front().c_str(), &left) == 0) {
            state.SkipWithError("gio trash failed (is libglib2.0-bin installed?)");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

void windowOurs(benchmark::State& state) {
    const Uninstaller ours = uninstaller();
    const auto paths = prepare(kWindowItems);
    auto shared = std::make_shared<const Uninstaller>(ours);
    const auto plan = ours.plan(offers(paths));
    for (auto _ : state) {
        const auto start = Clock::now();
        {
            UninstallWindow window(shared, plan);
            window.show();
            window.repaint();
            QApplication::processEvents();
            if (window.itemCount() != kWindowItems) {
                state.SkipWithError("the window lacks items");
                return;
            }
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

void windowAnchor(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = Clock::now();
        {
            QWidget window;
            window.resize(820, 560);
            window.show();
            window.repaint();
            QApplication::processEvents();
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

} // namespace

BENCHMARK(moveOurs)->Name("trash.move-1k/ours")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(moveAnchor)->Name("trash.move-1k/anchor")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(windowOurs)
    ->Name("uninstall.window-5k/ours")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(windowAnchor)
    ->Name("uninstall.window-5k/anchor")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string folder =
        (std::filesystem::temp_directory_path() / "sweepwise-bench-uninstall-XXXXXX");
    if (!mkdtemp(folder.data()))
        return 1;
    g_home = folder + "/home";
    std::filesystem::create_directories(g_home);
    // Ours and gio's Trash are the same: the home Trash of this run's home folder.
    setenv("SWEEPWISE_HOME", g_home.c_str(), 1);
    setenv("HOME", g_home.c_str(), 1);
    setenv("XDG_DATA_HOME", (g_home + "/.local/share").c_str(), 1);
    // gio works on the local file system itself, without a volume monitor daemon.
    setenv("GIO_USE_VFS", "local", 1);
    setenv("GIO_USE_VOLUME_MONITOR", "unix", 1);
    {
        QApplication application(argc, argv);
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    std::filesystem::remove_all(folder);
    return 0;
}
