#pragma once

#include <string>
#include <vector>

// The size units by index: 0 is bytes, 1 kilobytes, and so on up to 8.
class SizeMetrics {
public:
    // The localised unit names, as ByteCountFormatterManager orders them.
    static std::vector<std::string> metrixes();
};
