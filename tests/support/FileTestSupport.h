#pragma once

#include <cstdint>
#include <filesystem>
#include <ftw.h>
#include <gtest/gtest.h>
#include <iterator>
#include <linux/capability.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testing_support {

inline void makeLink(const std::string& target, const std::string& path) {
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

inline std::size_t openDescriptorCount() {
    std::filesystem::directory_iterator descriptors("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(descriptors), end(descriptors)));
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
