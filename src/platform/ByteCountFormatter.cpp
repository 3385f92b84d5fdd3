#include "platform/ByteCountFormatter.h"

#include <array>

namespace platform {

namespace {

using Unit = ByteCountFormatter::Unit;

struct UnitStep {
    Unit unit;
    unsigned fractionDigits;
};

// Every unit a 64-bit count can reach, each 1000 times the one before.
constexpr std::array<UnitStep, 6> kUnitSteps{{
    {Unit::kilobytes, 0},
    {Unit::megabytes, 1},
    {Unit::gigabytes, 2},
    {Unit::terabytes, 2},
    {Unit::petabytes, 2},
    {Unit::exabytes, 2},
}};

using Wide = unsigned __int128;

Wide powerOfTen(unsigned exponent) {
    Wide value = 1;
    while (exponent-- > 0)
        value *= 10;
    return value;
}

std::string localDigits(std::string_view asciiDigits, const NumberSymbols& symbols) {
    std::string out;
    for (char c : asciiDigits)
        out += symbols.digits[static_cast<std::size_t>(c - '0')];
    return out;
}

} // namespace

ByteCountFormatter::Parts ByteCountFormatter::partsFromByteCount(std::uint64_t bytes,
                                                                 const NumberSymbols& symbols) {
    if (bytes == 0)
        return {localDigits("0", symbols), Unit::kilobytes};
    if (bytes < 1000)
        return {localDigits(std::to_string(bytes), symbols), Unit::bytes};

    // The count in the chosen unit, scaled by 10^fractionDigits and rounded half to
    // even; 128 bits keep the scaled count of the largest 64-bit value exact.
    Wide divisor = 1000;
    std::size_t step = 0;
    Wide scaled = 0;
    for (;; ++step, divisor *= 1000) {
        const Wide scale = powerOfTen(kUnitSteps[step].fractionDigits);
        const Wide numerator = Wide(bytes) * scale;
        scaled = numerator / divisor;
        const Wide twiceRemainder = (numerator % divisor) * 2;
        if (twiceRemainder > divisor || (twiceRemainder == divisor && scaled % 2 == 1))
            ++scaled;
        if (scaled < 1000 * scale || step + 1 == kUnitSteps.size())
            break;
    }

    const unsigned fractionDigits = kUnitSteps[step].fractionDigits;
    const Wide scale = powerOfTen(fractionDigits);
    std::string number =
        localDigits(std::to_string(static_cast<std::uint64_t>(scaled / scale)), symbols);
    if (fractionDigits > 0) {
        std::string fraction = std::to_string(static_cast<std::uint64_t>(scaled % scale));
        fraction.insert(0, fractionDigits - fraction.size(), '0');
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        if (!fraction.empty())
            number += symbols.decimalSeparator + localDigits(fraction, symbols);
    }
    return {std::move(number), kUnitSteps[step].unit};
}

std::string ByteCountFormatter::stringFromByteCount(std::uint64_t bytes,
                                                    const NumberSymbols& symbols) {
    if (bytes == 0)
        return "Zero KB";
    if (bytes == 1)
        return localDigits("1", symbols) + " byte";
    Parts parts = partsFromByteCount(bytes, symbols);
    return parts.number + " " + std::string(unitName(parts.unit));
}

std::string_view ByteCountFormatter::unitName(Unit unit) {
    switch (unit) {
    case Unit::bytes:
        return "bytes";
    case Unit::kilobytes:
        return "KB";
    case Unit::megabytes:
        return "MB";
    case Unit::gigabytes:
        return "GB";
    case Unit::terabytes:
        return "TB";
    case Unit::petabytes:
        return "PB";
    case Unit::exabytes:
        return "EB";
    case Unit::zettabytes:
        return "ZB";
    case Unit::yottabytesOrHigher:
        return "YB";
    }
    return "-";
}

} // namespace platform
