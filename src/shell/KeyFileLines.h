#pragma once

#include <functional>
#include <string_view>

// The lines of a key file, the format of menu entries, Flatpak metadata and Flatpak's
// installation settings: each group header and each "key=value" line, trimmed of blanks;
// blank lines, comments and lines that are neither are passed over.
class KeyFileLines {
public:
    struct Line {
        // A "[...]" header, whole in `header`; otherwise `key` and `value`.
        bool isHeader{false};
        std::string_view header;
        std::string_view key;
        std::string_view value;
    };
    static void forEach(std::string_view text, const std::function<void(const Line&)>& action);
};
