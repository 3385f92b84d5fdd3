#pragma once

#include <cstddef>
#include <dirent.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <string>
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
