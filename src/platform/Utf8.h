#pragma once

#include <string_view>

namespace platform {

// Strict UTF-8 checks for text that arrives from outside the program.
class Utf8 {
public:
    // True when `text` is well-formed UTF-8: no overlong forms, no surrogate code
    // points, nothing above U+10FFFF, no truncated sequence. NUL bytes are allowed.
    static bool isValid(std::string_view text);
};

} // namespace platform
