#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <ftw.h>
#include <gtest/gtest.h>
#include <iostream>
#include <iterator>
#include <linux/capability.h>
#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace testing_support {

inline void makeLink(const std::string& target, const std::string& path) {
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

// The process's open descriptors and what each leads to, so that a failed comparison
// names what was left open. The listing's own descriptor is left out.
inline std::map<int, std::string> openDescriptors() {
    std::map<int, std::string> open;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (error)
            continue; // The listing's own descriptor, closed by the time it is read.
        if (target.starts_with("/proc/") && target.ends_with("/fd"))
            continue;
        open.emplace(std::stoi(entry.path().filename().string()), std::move(target));
    }
    return open;
}

// Whether the open descriptors come back to `expected` within `limit`. Worker threads may
// still hold a descriptor for a moment after they reported; a descriptor left open stays.
// Names what stayed open, or what was open only for a moment, on the test's output.
inline ::testing::AssertionResult
descriptorsSettleTo(const std::map<int, std::string>& expected,
                    std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::map<int, std::string> open = openDescriptors();
    const std::map<int, std::string> first = open;
    while (open != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        open = openDescriptors();
    }
    auto describe = [](const std::map<int, std::string>& descriptors) {
        std::string text;
        for (const auto& [descriptor, target] : descriptors)
            text += " " + std::to_string(descriptor) + "->" + target;
        return text;
    };
    if (open != expected)
        return ::testing::AssertionFailure()
               << "open:" << describe(open) << "\nexpected:" << describe(expected);
    if (first != expected)
        std::cerr << "open for a moment after the work:" << describe(first) << "\n";
    return ::testing::AssertionSuccess();
}

inline thread_local std::uint64_t tNftwSum = 0;
inline thread_local std::set<std::pair<dev_t, ino_t>> tNftwSeen;

// The allocated size of every item below `root` that is not a folder, summed by nftw
// without following links: what a size walk must answer, found another way.
inline std::uint64_t nftwSum(const std::string& root) {
    tNftwSum = 0;
    tNftwSeen.clear();
    int result = nftw(
        root.c_str(),
        [](const char*, const struct stat* status, int type, FTW* position) {
            // Each file once, however many names it has, as `du` counts.
            if (position->level > 0 && (type == FTW_F || type == FTW_SL) &&
                tNftwSeen.emplace(status->st_dev, status->st_ino).second)
                tNftwSum += static_cast<std::uint64_t>(status->st_blocks) * 512u;
            return 0;
        },
        64, FTW_PHYS);
    EXPECT_EQ(result, 0) << root;
    return tNftwSum;
}

inline std::uint64_t allocatedSize(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
    return static_cast<std::uint64_t>(status.st_blocks) * 512u;
}

// Takes the two capabilities that override permission bits out of the calling thread's
// effective set, or puts them back; false when the kernel refuses. Safe in a signal handler.
inline constexpr unsigned kPermissionOverrides =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

inline bool setPermissionOverrides(bool enabled) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    data[0].effective = enabled ? data[0].effective | (data[0].permitted & kPermissionOverrides)
                                : data[0].effective & ~kPermissionOverrides;
    return syscall(SYS_capset, &header, data) == 0;
}

// Makes permission bits bind the calling thread even when it runs as root, for the guard's
// life; tests that need them skip when `active()` is false.
class PermissionBitsApply {
public:
    PermissionBitsApply() : m_dropped(geteuid() == 0 && setPermissionOverrides(false)) {}
    ~PermissionBitsApply() {
        if (m_dropped)
            setPermissionOverrides(true);
    }
    PermissionBitsApply(const PermissionBitsApply&) = delete;
    PermissionBitsApply& operator=(const PermissionBitsApply&) = delete;

    bool active() const { return m_dropped || geteuid() != 0; }

private:
    const bool m_dropped;
};

} // namespace testing_support
