#pragma once

#include "search/SimpleSizeCalculation.h"
#include "support/FileTestSupport.h"
#include "support/ProcessTestSupport.h"
#include "support/Sandbox.h"
#include "support/ThreadTestSupport.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sys/mount.h>

namespace testing_support {

// A memory file system on `folder` for the guard's life where one can be mounted (as root):
// deep and huge trees and synced files cost no journal work there.
class ScopedMemoryFileSystem {
public:
    ScopedMemoryFileSystem(std::string folder, const char* options)
        : m_folder(std::move(folder)),
          m_mounted(mount("tmpfs", m_folder.c_str(), "tmpfs", 0, options) == 0) {}
    ~ScopedMemoryFileSystem() {
        if (m_mounted) {
            EXPECT_EQ(umount2(m_folder.c_str(), MNT_DETACH), 0);
        }
    }
    bool mounted() const { return m_mounted; }

private:
    const std::string m_folder;
    const bool m_mounted;
};

// Every size report, by path, and how many there were.
class SizeReports : public SimpleSizeCalculationTaskListener {
public:
    void onSimpleSizeCalculationTaskComplete(
        const std::shared_ptr<SimpleSizeCalculationTask>& task) override {
        sizes[task->itemPath()].push_back(task->itemSize());
        ++count;
    }
    std::map<std::string, std::vector<std::uint64_t>> sizes;
    std::size_t count{0};
};

// A chain of `depth` folders named "d" below `base`, ending in a file `leaf` of `leafBytes`
// bytes, or a folder when `leafBytes` is kLeafFolder. Each folder is made relative to its
// parent's descriptor, so the chain may be far longer than any path the kernel accepts.
inline constexpr std::size_t kLeafFolder = static_cast<std::size_t>(-1);

// A file holding `bytes` in the folder open as `folder`.
inline void makeFileAt(int folder, const std::string& name, const std::string& bytes = {}) {
    const int file = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(file, 0) << name;
    if (!bytes.empty()) {
        EXPECT_EQ(write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    close(file);
}

inline void makeChain(const std::string& base, int depth, const std::string& leaf,
                      std::size_t leafBytes) {
    int folder = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < depth && folder >= 0; ++level) {
        const int child = mkdirat(folder, "d", 0755) == 0
                              ? openat(folder, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                              : -1;
        close(folder);
        folder = child;
    }
    ASSERT_GE(folder, 0) << "the chain below " << base << " broke off";
    if (leafBytes == kLeafFolder) {
        EXPECT_EQ(mkdirat(folder, leaf.c_str(), 0755), 0);
    } else {
        makeFileAt(folder, leaf, std::string(leafBytes, 'x'));
    }
    close(folder);
}

// PermissionBitsApply for every thread of the process, those started earlier (the size
// calculator's workers) and later alike. A thread can change only its own capabilities, so
// each is signalled to do it in a handler; later threads inherit the reduced set.
//
// A thread blocks every signal while it starts another, and the new one starts with every
// signal blocked, so a thread that blocks ours is waited for a while; one that blocks it for
// longer (a sanitizer's own) keeps its capabilities. None of ours does.
class PermissionBitsApplyEverywhere {
public:
    PermissionBitsApplyEverywhere() {
        if (m_active)
            return;
        struct sigaction action {};
        action.sa_handler = [](int) {
            const int savedErrno = errno;
            setPermissionOverrides(s_restoring.load());
            errno = savedErrno;
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        m_installed = sigaction(signalNumber(), &action, &m_previous) == 0;
        m_active = m_installed && broadcast(false);
    }
    ~PermissionBitsApplyEverywhere() {
        if (!m_installed)
            return;
        EXPECT_TRUE(broadcast(true)) << "a thread kept permission bits binding";
        sigaction(signalNumber(), &m_previous, nullptr);
    }
    PermissionBitsApplyEverywhere(const PermissionBitsApplyEverywhere&) = delete;
    PermissionBitsApplyEverywhere& operator=(const PermissionBitsApplyEverywhere&) = delete;

    bool active() const { return m_active; }

    // Signals again every thread that can pass over permission bits; false as the constructor.
    bool reapply() { return m_installed ? broadcast(false) : m_active; }

    // The threads that can still pass over permission bits, as "tid (name)"; empty when the
    // denial binds every thread that takes signals.
    std::vector<std::string> threadsPassingOverBits() const {
        std::vector<std::string> found;
        if (geteuid() != 0)
            return found;
        for (const Thread& thread : threads()) {
            if (thread.overrides && !thread.blocksSignal)
                found.push_back(thread.id + " (" + thread.name + ")");
        }
        return found;
    }

private:
    struct Thread {
        std::string id;
        std::string name;
        bool overrides{false};
        bool blocksSignal{false};
    };

    static int signalNumber() { return SIGRTMIN + 5; }
    static inline std::atomic<bool> s_restoring{false};

    // Every thread of the process. A thread that ends while the kernel lists them cuts the
    // listing short, so it is repeated until it holds as many threads as the process has.
    static std::vector<Thread> threads() {
        std::vector<Thread> found;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto before = statusField("Threads:");
            found = listThreads();
            if (before && *before == found.size() && statusField("Threads:") == before)
                break;
        }
        return found;
    }

    static std::vector<Thread> listThreads() {
        const std::uint64_t blockedBit = 1ull << (signalNumber() - 1);
        std::vector<Thread> found;
        std::error_code error;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
            const std::string status = task.path().string() + "/status";
            auto effective = statusField("CapEff:\t", status, 16);
            auto blocked = statusField("SigBlk:\t", status, 16);
            if (!effective || !blocked)
                continue; // ended meanwhile
            std::ifstream comm(task.path() / "comm");
            Thread thread{task.path().filename().string(), {}, false, false};
            std::getline(comm, thread.name);
            thread.overrides = (*effective & kPermissionOverrides) == kPermissionOverrides;
            thread.blocksSignal = (*blocked & blockedBit) != 0;
            found.push_back(std::move(thread));
        }
        return found;
    }

    // Signals every thread whose capabilities are not yet as wanted until none is left,
    // threads started meanwhile included; false when one does not follow in time. Two clean
    // listings in a row are needed, so that a thread started between them is seen.
    static bool broadcast(bool restore) {
        using Clock = std::chrono::steady_clock;
        s_restoring.store(restore);
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        Clock::time_point onlyBlockersSince{}; // the epoch while a thread is signalled
        int cleanListings = 0;
        while (Clock::now() < deadline) {
            bool signalled = false;
            bool blockerLeft = false;
            for (const Thread& thread : threads()) {
                if (thread.overrides == restore)
                    continue;
                if (thread.blocksSignal) {
                    blockerLeft = true;
                    continue;
                }
                signalled = true;
                syscall(SYS_tgkill, getpid(), std::stoi(thread.id), signalNumber());
            }
            if (signalled || blockerLeft)
                cleanListings = 0;
            if (blockerLeft && !signalled) {
                if (onlyBlockersSince == Clock::time_point{})
                    onlyBlockersSince = Clock::now();
                if (Clock::now() - onlyBlockersSince > std::chrono::milliseconds(300))
                    return true;
            } else {
                onlyBlockersSince = {};
            }
            if (!signalled && !blockerLeft && ++cleanListings == 2)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    struct sigaction m_previous {};
    bool m_installed{false};
    bool m_active = geteuid() != 0;
};

} // namespace testing_support
