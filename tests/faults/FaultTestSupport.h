#pragma once

#include "support/Sandbox.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testing_support {

#if defined(__SANITIZE_ADDRESS__)
#define SWEEPWISE_FAULTS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SWEEPWISE_FAULTS_ASAN 1
#endif
#endif

#if defined(__SANITIZE_THREAD__)
#define SWEEPWISE_FAULTS_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SWEEPWISE_FAULTS_TSAN 1
#endif
#endif

// ThreadSanitizer makes every memory access several times slower and every allocation several
// times larger, so the load tests scale their inputs down in that build.
#ifdef SWEEPWISE_FAULTS_TSAN
inline constexpr bool kUnderThreadSanitizer = true;
#else
inline constexpr bool kUnderThreadSanitizer = false;
#endif

// AddressSanitizer keeps freed memory in a quarantine and adds shadow memory per page
// touched, so its resident set says little about what the code keeps; in that build memory
// growth is left to LeakSanitizer, and the bounds are checked by the other builds.
#ifdef SWEEPWISE_FAULTS_ASAN
inline constexpr bool kResidentSetIsMeaningful = false;
#else
inline constexpr bool kResidentSetIsMeaningful = true;
#endif

// The resident set of this process in KiB, from /proc/self/status; 0 when unknown.
inline std::uint64_t residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoull(line.substr(6));
    }
    return 0;
}

// The highest resident set of this process in KiB since it started or since the last
// resetPeakResident(); 0 when unknown.
inline std::uint64_t peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoull(line.substr(6));
    }
    return 0;
}

// Starts a new peak at the current resident set; false where the kernel does not offer it.
inline bool resetPeakResident() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good();
}

// A chain of `depth` folders named "d" below `base`, with a file `leaf` of `leafBytes` bytes
// at the bottom, or a folder `leaf` when `leafBytes` is kLeafFolder. Every folder is made relative
// to its parent's descriptor, so the chain may be far longer than any path the kernel accepts.
inline constexpr std::size_t kLeafFolder = static_cast<std::size_t>(-1);

inline void makeChain(const std::string& base, int depth, const std::string& leaf,
                      std::size_t leafBytes) {
    int folder = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0) << base;
    for (int level = 0; level < depth; ++level) {
        ASSERT_EQ(mkdirat(folder, "d", 0755), 0) << "level " << level;
        int child = openat(folder, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(folder);
        ASSERT_GE(child, 0) << "level " << level;
        folder = child;
    }
    if (leafBytes == kLeafFolder) {
        ASSERT_EQ(mkdirat(folder, leaf.c_str(), 0755), 0);
        close(folder);
        return;
    }
    int file = openat(folder, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    close(folder);
    ASSERT_GE(file, 0);
    std::string bytes(leafBytes, 'x');
    ASSERT_EQ(write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(file);
}

// Makes permission bits bind every thread of the process even when it runs as root,
// threads started earlier (the size calculator's workers) and later alike. A thread can
// change only its own capabilities, so each one takes the two that override permission
// bits out of its effective set itself, in a signal handler; threads started afterwards
// inherit the reduced set. Threads that block the signal (a sanitizer's own) keep theirs;
// none of ours does. `active()` says whether every other thread now obeys the bits.
class PermissionBitsApplyEverywhere {
public:
    PermissionBitsApplyEverywhere() {
        if (geteuid() != 0) {
            m_active = true;
            return;
        }
        struct sigaction action {};
        action.sa_handler = &PermissionBitsApplyEverywhere::onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        if (sigaction(signalNumber(), &action, &m_previous) != 0)
            return;
        m_installed = true;
        m_active = broadcast(false);
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

private:
    static constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

    static int signalNumber() { return SIGRTMIN + 5; }
    static std::atomic<bool>& restoring() {
        static std::atomic<bool> flag{false};
        return flag;
    }

    static void onSignal(int) {
        int savedErrno = errno;
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (syscall(SYS_capget, &header, data) == 0) {
            if (restoring().load())
                data[0].effective |= data[0].permitted & kOverrides;
            else
                data[0].effective &= ~kOverrides;
            syscall(SYS_capset, &header, data);
        }
        errno = savedErrno;
    }

    // A field of /proc/self/task/<tid>/status as a number; nullopt when the thread is gone.
    static std::optional<std::uint64_t> statusField(const std::string& tid, const char* field) {
        std::ifstream status("/proc/self/task/" + tid + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind(field, 0) == 0)
                return std::stoull(line.substr(std::string(field).size()), nullptr, 16);
        }
        return std::nullopt;
    }

    static std::vector<std::string> threads() {
        std::vector<std::string> tids;
        if (DIR* folder = opendir("/proc/self/task")) {
            while (dirent* entry = readdir(folder)) {
                if (entry->d_name[0] != '.')
                    tids.emplace_back(entry->d_name);
            }
            closedir(folder);
        }
        return tids;
    }

    // Signals every thread whose capabilities are not yet as wanted until none is left,
    // threads started meanwhile included; false when one does not follow within the
    // watchdog's time.
    static bool broadcast(bool restore) {
        restoring().store(restore);
        const std::uint64_t blockedBit = 1ull << (signalNumber() - 1);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            bool pending = false;
            for (const std::string& tid : threads()) {
                std::optional<std::uint64_t> effective = statusField(tid, "CapEff:\t");
                std::optional<std::uint64_t> blocked = statusField(tid, "SigBlk:\t");
                if (!effective || !blocked || (*blocked & blockedBit))
                    continue;
                if (((*effective & kOverrides) == kOverrides) == restore)
                    continue;
                pending = true;
                syscall(SYS_tgkill, getpid(), std::stoi(tid), signalNumber());
            }
            if (!pending)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    struct sigaction m_previous {};
    bool m_installed{false};
    bool m_active{false};
};

} // namespace testing_support
