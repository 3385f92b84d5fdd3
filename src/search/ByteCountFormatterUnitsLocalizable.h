#pragma once

#include "platform/ByteCountFormatter.h"

#include <string>

// Short localised names of the byte-count formatter's units, from the strings table
// "ByteCountFormatterUnitsLocalizable" of the helper's resources.
class ByteCountFormatterUnitsLocalizable {
public:
    // "B", "KB", "MB", ... "YB" in English; "-" for a value that is no single unit.
    static std::string localizedDescriptionForUnit(platform::ByteCountFormatter::Unit unit);
};
