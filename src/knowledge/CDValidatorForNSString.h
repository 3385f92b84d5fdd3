#pragma once

#include "knowledge/CDValidationInfo.h"
#include "knowledge/CDValidationResult.h"

#include <cstdint>
#include <optional>
#include <string_view>

// Rules over a string. "=", "hasPrefix" and "hasSuffix" compare bytes exactly (an empty
// prefix or suffix never matches, as on the platform); "contains" ignores letter case
// and may start at an offset; "regexp" searches with a regular expression, and an
// expression that does not compile is an error.
class CDValidatorForNSString {
public:
    static CDValidationResult validate(const CDValidationInfo& info);

    // The byte offset in `text` at which the character at `offset` starts, counting in
    // UTF-16 units like the platform's strings; none when the offset is at or beyond
    // the end. An offset inside a character that takes two units moves to the next.
    static std::optional<size_t> byteOffsetOfCharacter(std::string_view text, std::uint64_t offset);
};
