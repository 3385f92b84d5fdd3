#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Small UTF-8 helpers shared by the text services.
class Utf8 {
public:
    static constexpr char32_t kReplacementCharacter = 0xFFFD;

    // The code point that starts at `offset`, advancing `offset` past it. An ill-formed
    // sequence reads as U+FFFD and is skipped by its longest ill-formed prefix, the way
    // the Unicode standard recommends. `offset` must be below `text.size()`.
    static char32_t next(std::string_view text, std::size_t& offset);

    static bool isAscii(std::string_view text);
    static bool isValid(std::string_view text);

    // Appends `codePoint` as UTF-8; surrogates and values beyond U+10FFFF become U+FFFD.
    static void append(std::string& out, char32_t codePoint);
};

} // namespace platform
