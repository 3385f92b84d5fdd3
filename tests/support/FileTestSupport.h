#pragma once

#include <cstddef>
#include <cstdint>
#include <dirent.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testing_support {

inline void makeLink(const std::string& target, const std::string& path) {
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

inline std::size_t openDescriptorCount() {
    std::size_t count = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (readdir(folder))
            ++count;
        closedir(folder);
    }
    return count;
}

inline thread_local std::uint64_t tNftwSum = 0;

// The allocated size of every item below `root` that is not a folder, summed by nftw
// without following links: what a size walk must answer, found another way.
inline std::uint64_t nftwSum(const std::string& root) {
    tNftwSum = 0;
    int result = nftw(
        root.c_str(),
        [](const char*, const struct stat* status, int type, FTW* position) {
            if (position->level > 0 && (type == FTW_F || type == FTW_SL))
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

// Makes permission bits bind the calling thread even when it runs as root, by
// taking the two capabilities that override them out of its effective set for
// the guard's lifetime. `active()` is false when the bits cannot be made to bind,
// and tests that need them then skip.
class PermissionBitsApply {
public:
    PermissionBitsApply() {
        if (geteuid() != 0) {
            m_active = true;
            return;
        }
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        const unsigned mask = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
        reduced[0].effective &= ~mask;
        m_dropped = syscall(SYS_capset, &m_header, reduced) == 0;
        m_active = m_dropped;
    }
    ~PermissionBitsApply() {
        if (m_dropped)
            syscall(SYS_capset, &m_header, m_saved);
    }
    PermissionBitsApply(const PermissionBitsApply&) = delete;
    PermissionBitsApply& operator=(const PermissionBitsApply&) = delete;

    bool active() const { return m_active; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped{false};
    bool m_active{false};
};

} // namespace testing_support
