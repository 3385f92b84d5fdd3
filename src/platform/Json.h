#pragma once

#include "platform/PlistValue.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// JSON text to and from property-list values.
//
// Reading (RFC 8259, UTF-8, no comments, any value at the top):
// - objects become Dictionary (a repeated key keeps its last value), arrays Array,
//   strings String, true and false Boolean, null Null;
// - numbers written without fraction or exponent that fit 64 signed bits become
//   Integer, every other number Real; a number too large for a double is refused;
// - nesting deeper than kMaxDepth is refused without being built.
//
// Writing produces compact text (no added whitespace), dictionary keys in byte
// order, "/" unescaped. Data, Date and Uid have no JSON form, and neither have
// non-finite reals or strings that are not valid UTF-8: a value holding any of
// them gives none.
class Json {
public:
    static constexpr std::size_t kMaxDepth = 512;

    // None on any syntax error, invalid UTF-8 or nesting beyond kMaxDepth. For a syntax
    // error or invalid UTF-8, `errorOffset` (when given) receives the offset of the byte
    // where reading stopped; it is left empty otherwise.
    static std::optional<PlistValue> parse(std::string_view text,
                                           std::optional<std::size_t>* errorOffset = nullptr);

    static std::optional<std::string> serialize(const PlistValue& value);
};

} // namespace platform
