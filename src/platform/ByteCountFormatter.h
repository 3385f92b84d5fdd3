#pragma once

#include "platform/NumberSymbols.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Byte counts as short size texts in the platform's file count style: decimal units
// (1 KB = 1,000 bytes), no fraction digits for bytes and KB, one for MB, two for GB
// and above, trailing zeros dropped. So 11999 gives "12 KB", 12345678 "12.3 MB" and
// 1234567898 "1.23 GB"; zero gives "Zero KB", one byte "1 byte".
//
// Values are rounded exactly (no floating point), half to even like the platform's
// number formatter. A value that rounds up to 1000 of its unit is written in the next
// unit instead: 999999 bytes give "1 MB", never "1000 KB". Numbers therefore stay
// below 1000 and never need grouping.
class ByteCountFormatter {
public:
    // The platform's unit values, the keys of a table of localised unit names. A 64-bit
    // count never reaches zettabytes; the last two exist for such tables.
    enum class Unit : std::uint32_t {
        bytes = 1,
        kilobytes = 2,
        megabytes = 4,
        gigabytes = 8,
        terabytes = 16,
        petabytes = 32,
        exabytes = 64,
        zettabytes = 128,
        yottabytesOrHigher = 0xFF00,
    };

    // The number, in the locale's digits and decimal separator, and its unit, for
    // callers that name units themselves. Zero gives "0" kilobytes.
    struct Parts {
        std::string number;
        Unit unit{Unit::bytes};
    };

    static std::string stringFromByteCount(std::uint64_t bytes,
                                           const NumberSymbols& symbols = NumberSymbols::current());

    static Parts partsFromByteCount(std::uint64_t bytes,
                                    const NumberSymbols& symbols = NumberSymbols::current());

    // The English short name of a unit: "bytes", "KB", "MB", ... ("byte" is used for
    // exactly one byte only).
    static std::string_view unitName(Unit unit);
};

} // namespace platform
