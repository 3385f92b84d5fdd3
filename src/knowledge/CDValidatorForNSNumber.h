#pragma once

#include "knowledge/CDValidationInfo.h"
#include "knowledge/CDValidationResult.h"

#include <cstdint>
#include <optional>
#include <variant>

namespace platform {
class PlistValue;
}

// Rules over a number: "=", "<" and ">" against a number operand. Integers, reals and
// Booleans (as 0 and 1) are all numbers, and compare by exact value, so 2 equals 2.0
// and 2^53 + 1 is greater than 2^53 written as a real.
class CDValidatorForNSNumber {
public:
    using Number = std::variant<std::int64_t, double>;

    static CDValidationResult validate(const CDValidationInfo& info);

    // The value of an integer, real or Boolean; none for every other kind.
    static std::optional<Number> numberValue(const platform::PlistValue& value);
    // The value truncated toward zero and clamped to 64 bits; none for a non-number.
    static std::optional<std::int64_t> integerValue(const platform::PlistValue& value);
    // -1, 0 or 1. A NaN compares equal to nothing and reads as unordered (2).
    static int compare(const Number& a, const Number& b);
};
