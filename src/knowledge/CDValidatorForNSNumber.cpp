#include "knowledge/CDValidatorForNSNumber.h"

#include "platform/PlistValue.h"

#include <cmath>
#include <limits>

namespace {

constexpr int kUnordered = 2;
// 2^63, the first real beyond the range of a signed 64-bit integer.
constexpr double kTwoPow63 = 9223372036854775808.0;

int compareIntegerWithReal(std::int64_t integer, double real) {
    if (std::isnan(real))
        return kUnordered;
    if (real >= kTwoPow63)
        return -1;
    if (real < -kTwoPow63)
        return 1;
    double whole = std::trunc(real);
    auto wholeInteger = static_cast<std::int64_t>(whole);
    if (integer != wholeInteger)
        return integer < wholeInteger ? -1 : 1;
    double fraction = real - whole;
    return fraction > 0 ? -1 : fraction < 0 ? 1 : 0;
}

} // namespace

std::optional<CDValidatorForNSNumber::Number>
CDValidatorForNSNumber::numberValue(const platform::PlistValue& value) {
    if (auto integer = value.asInteger())
        return Number(*integer);
    if (auto real = value.asReal())
        return Number(*real);
    if (auto boolean = value.asBoolean())
        return Number(std::int64_t{*boolean ? 1 : 0});
    return std::nullopt;
}

std::optional<std::int64_t>
CDValidatorForNSNumber::integerValue(const platform::PlistValue& value) {
    auto number = numberValue(value);
    if (!number)
        return std::nullopt;
    if (const auto* integer = std::get_if<std::int64_t>(&*number))
        return *integer;
    double real = std::get<double>(*number);
    if (std::isnan(real))
        return 0;
    if (real >= kTwoPow63)
        return std::numeric_limits<std::int64_t>::max();
    if (real < -kTwoPow63)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::trunc(real));
}

int CDValidatorForNSNumber::compare(const Number& a, const Number& b) {
    const auto* aInteger = std::get_if<std::int64_t>(&a);
    const auto* bInteger = std::get_if<std::int64_t>(&b);
    if (aInteger && bInteger)
        return *aInteger < *bInteger ? -1 : *aInteger > *bInteger ? 1 : 0;
    if (aInteger)
        return compareIntegerWithReal(*aInteger, std::get<double>(b));
    if (bInteger) {
        int reversed = compareIntegerWithReal(*bInteger, std::get<double>(a));
        return reversed == kUnordered ? kUnordered : -reversed;
    }
    double aReal = std::get<double>(a);
    double bReal = std::get<double>(b);
    if (std::isnan(aReal) || std::isnan(bReal))
        return kUnordered;
    return aReal < bReal ? -1 : aReal > bReal ? 1 : 0;
}

CDValidationResult CDValidatorForNSNumber::validate(const CDValidationInfo& info) {
    auto object = numberValue(info.object);
    const platform::PlistValue* operand = info.operand(1);
    auto expected = operand ? numberValue(*operand) : std::nullopt;
    if (!object || !expected)
        return CDValidationError::BadParameters;

    int order = compare(*object, *expected);
    switch (info.action) {
    case CDValidationAction::EqualSign:
        return order == 0;
    case CDValidationAction::LessSign:
        return order == -1;
    case CDValidationAction::GreaterSign:
        return order == 1;
    default:
        return CDValidationError::BadParameters;
    }
}
