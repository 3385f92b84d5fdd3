#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Unicode text operations on UTF-8 strings.
//
// The case-insensitive operations compare under full Unicode case folding and
// canonical equivalence: "Straße" equals "STRASSE", "ΣΊΣΥΦΟΣ" equals "σίσυφος", and a
// precomposed "é" equals "e" followed by a combining acute accent. A match never
// splits a character from its combining marks or from the letters its folding
// expands to, so "ß" contains "ss" but not "s". An empty prefix, suffix or needle
// never matches, as on the platform.
//
// Case mappings use the root locale, so the dotless and dotted i follow no Turkish
// rule: "I" lower-cases to "i" in every language.
//
// Bytes that are not valid UTF-8 never crash anything: they read as U+FFFD (so two
// different invalid sequences compare equal) and come out as U+FFFD from the case
// mappings. numericCompare alone compares raw bytes.
class Text {
public:
    static bool caseInsensitiveEquals(std::string_view a, std::string_view b);
    static bool caseInsensitiveHasPrefix(std::string_view s, std::string_view prefix);
    static bool caseInsensitiveHasSuffix(std::string_view s, std::string_view suffix);

    // The byte offset in `haystack` of the first match that starts at or after
    // `fromByte`.
    static std::optional<std::size_t> caseInsensitiveFind(std::string_view haystack,
                                                          std::string_view needle,
                                                          std::size_t fromByte = 0);

    static std::string lowercase(std::string_view s);

    // `s` without the spaces, tabs and carriage returns at either end: a line of a key
    // file (a menu entry, trash information, flatpak metadata) as its readers take it.
    static constexpr std::string_view trimmedBlanks(std::string_view s) {
        const auto start = s.find_first_not_of(" \t\r");
        if (start == std::string_view::npos)
            return {};
        return s.substr(start, s.find_last_not_of(" \t\r") - start + 1);
    }
    static std::string uppercase(std::string_view s);

    // The first letter of every word in upper (title) case and the rest in lower case.
    // Words are separated by white space; leading punctuation such as "(" is skipped
    // when looking for a word's first letter, a leading digit is not.
    static std::string capitalized(std::string_view s);

    // Compares with every run of ASCII digits taken as a number, so "10.9" < "10.10"
    // and "10.15" < "10.15.7"; everything else compares byte by byte. Runs that differ
    // only in leading zeros are equal. Answers -1, 0 or 1.
    static int numericCompare(std::string_view a, std::string_view b);

    // Whether some character is a decimal digit of any script (category Nd).
    static bool containsDecimalDigit(std::string_view s);

    // Whether some character is an upper-case or title-case letter (Lu or Lt).
    static bool containsUppercaseLetter(std::string_view s);

    // The value of an ASCII hexadecimal digit of either case, or -1.
    static constexpr int hexDigitValue(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }
};

} // namespace platform
