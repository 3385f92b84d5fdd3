#pragma once

// One field of /proc/self/status, such as "VmRSS" or "VmHWM", in KiB; -1 when the
// kernel does not report it.

#include <cstdlib>
#include <fstream>
#include <string>

namespace bench_support {

inline long statusKib(const std::string& field) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = field + ":";
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0)
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    }
    return -1;
}

} // namespace bench_support
