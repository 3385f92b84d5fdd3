#pragma once

#include "support/Sandbox.h"

#include <cstdint>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace testing_support
