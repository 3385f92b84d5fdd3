#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A localised strings table in the platform's text format:
//
//     /* Title of the close button */
//     "CloseButtonTitle" = "Ignore";
//     // Line comments are allowed too.
//     Unquoted_key = unquoted.value;
//     "ShortForm";              (the key stands for its own value)
//
// The bytes may be UTF-8 (with or without a byte order mark) or UTF-16 in either
// byte order (with a byte order mark, or recognised by its NUL bytes). The whole
// table may be wrapped in braces. Strings are quoted with " or ', or unquoted when
// made only of ASCII letters, digits and _ $ / : . -. Quoted strings know the escapes
// \" \' \\ \a \b \f \n \r \t \v, octal \ooo (up to three digits, giving that code
// point), and \Uxxxx (one to four hex digits; a surrogate pair written as two escapes
// joins into one character, a lone surrogate becomes U+FFFD); a backslash before any
// other character stands for that character. When a key repeats, the last entry wins.
//
// A table with any defect (bad encoding, unterminated string or comment, a missing
// "=" or ";", stray characters) gives no table at all, as on the platform, so that a
// half-read table never hides the translations after the defect behind defaults.
class StringsTable {
public:
    static std::optional<StringsTable> parse(std::string_view bytes);

    // None when the file is missing, not a regular file, unreadable, larger than
    // kMaximumFileSize, or malformed.
    static std::optional<StringsTable> readFile(const std::string& path);

    static constexpr std::size_t kMaximumFileSize = 16 * 1024 * 1024;

    std::optional<std::string> lookup(std::string_view key) const;
    std::size_t size() const { return m_entries.size(); }

private:
    StringsTable() = default;

    std::map<std::string, std::string, std::less<>> m_entries;
};

} // namespace platform
