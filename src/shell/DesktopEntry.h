#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The "[Desktop Entry]" group of a desktop entry file (a ".desktop" menu entry): its
// keys without a locale, with their values' escapes (\s, \n, \t, \r, \\) resolved.
// Entries come from applications and the user's tools, so anything malformed is
// skipped line by line rather than refused whole, as the desktops read them.
class DesktopEntry {
public:
    // Entries larger than this are not read.
    static constexpr std::size_t kMaxBytes = std::size_t(1) << 20;

    // None when the text has no "[Desktop Entry]" group.
    static std::optional<DesktopEntry> parse(std::string_view text);
    // The entry in the file at `path`; none when it is missing, not a regular file
    // (a final link is followed), larger than kMaxBytes or without the group.
    static std::optional<DesktopEntry> readFile(const std::string& path);

    // The value of `key` (no locale); none when the group does not have it.
    std::optional<std::string> value(std::string_view key) const;

    // The arguments of an Exec or TryExec value, quoted arguments unquoted and the
    // field codes (%f, %U, ...) left out; empty when the quoting is malformed.
    static std::vector<std::string> splitExec(std::string_view exec);

    // The program an Exec value runs, its first argument after a leading "env" and its
    // "NAME=value" settings; empty when there is none.
    static std::string programOfExec(std::string_view exec);

private:
    std::map<std::string, std::string, std::less<>> m_values;
};
