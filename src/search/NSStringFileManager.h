#pragma once

#include "platform/NumberSymbols.h"

#include <cstdint>
#include <string>
#include <vector>

// Sizes in decimal units with this system's own unit names, and names of files.
class NSStringFileManager {
public:
    // How many fraction digits formatMemoryString keeps: up to two below 10 and one
    // above in the full form, one fewer in the short form.
    enum class MemoryForm { full, shortForm };

    struct MemoryComponents {
        std::string number;
        std::string unit;
    };

    // The localised unit names by index (0 bytes, 1 KB, ... 8 YB). They are read from
    // the strings tables on first use and kept for the life of the process, so a
    // change of language later does not change them.
    static const std::vector<std::string>& allSizeMetrics();

    // "1.23 MB": the count in the largest decimal unit that leaves a value below 1000,
    // written with the locale's separator and no grouping. A value that rounds up to
    // 1000 keeps its unit ("1000 GB"). Counts below 1000 are written as they are, with
    // the bytes unit ("999 B").
    static std::string
    formatMemoryString(std::uint64_t bytes, MemoryForm form,
                       const std::vector<std::string>& metrics = allSizeMetrics(),
                       const platform::NumberSymbols& symbols = platform::NumberSymbols::current());

    // The number and unit of the full form, limited to three significant digits. For
    // counts below 1000 the number ends in a no-break space.
    static MemoryComponents formatMemoryComponents(
        std::uint64_t bytes, const std::vector<std::string>& metrics = allSizeMetrics(),
        const platform::NumberSymbols& symbols = platform::NumberSymbols::current());

    // The separator the two operations above write between whole and fraction digits.
    static std::string decimalSeparator();

    // `name` when nothing is at folder/name (a dangling symbolic link counts as
    // something), else the first free "base 2.ext", "base 3.ext", ...
    static std::string getNameForCopiedFile(const std::string& name, const std::string& folder);

    // The name a file manager shows for the item: its last path component.
    static std::string getDisplayNameAtPath(const std::string& path);
};
