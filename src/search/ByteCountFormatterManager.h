#pragma once

#include <string>
#include <vector>

// The units of the byte-count formatter in their fixed order, bytes first.
class ByteCountFormatterManager {
public:
    // The nine localised unit names, "B" to "YB" in English.
    static std::vector<std::string> allOrderedSupportedUnitDescriptions();
};
