#pragma once

#include "platform/NumberSymbols.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// Fills the placeholders of a localised text with arguments, in the locale's digits.
//
// The placeholders are the ones the helper's texts use: "%@" for a text, "%d" and "%zd"
// for a whole number, each also with a position ("%2$@" takes the second argument),
// and "%%" for a percent sign. Translations come from files outside the program, so a
// malformed text never fails: any other "%" sequence, and a placeholder whose argument
// is missing, stay as written; an argument of the other kind is written all the same.
// Arguments are inserted as they are and never read as placeholders themselves.
class LocalizedFormat {
public:
    using Argument = std::variant<std::string_view, std::int64_t>;

    static std::string
    format(std::string_view text, std::initializer_list<Argument> arguments,
           const platform::NumberSymbols& symbols = platform::NumberSymbols::current());
};
