#include "shell/TrashInfo.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"

#include <vector>

namespace {

std::string_view trimmed(std::string_view text) {
    return platform::Text::trimmedBlanks(text);
}

// Undoes the URL escapes ("%20"); none for a broken escape or an escaped NUL.
std::optional<std::string> unescaped(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            out.push_back(value[i]);
            continue;
        }
        if (i + 2 >= value.size())
            return std::nullopt;
        int high = platform::Text::hexDigitValue(value[i + 1]);
        int low = platform::Text::hexDigitValue(value[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

// No "." or ".." component: a relative Path must not climb out of its folder, and an
// absolute one with them is not what any Trash writes.
bool hasOnlyPlainComponents(std::string_view path) {
    while (!path.empty()) {
        std::size_t slash = path.find('/');
        std::string_view component = path.substr(0, slash);
        if (component == "." || component == "..")
            return false;
        if (slash == std::string_view::npos)
            break;
        path.remove_prefix(slash + 1);
    }
    return true;
}

} // namespace

std::optional<TrashInfo> TrashInfo::parse(std::string_view text, const std::string& baseFolder) {
    if (text.find('\0') != std::string_view::npos)
        return std::nullopt;
    bool inGroup = false;
    bool sawGroup = false;
    std::optional<std::string_view> path;
    std::string_view date;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            // Only the first "[Trash Info]" group counts; a second one does not override it.
            inGroup = line == "[Trash Info]" && !sawGroup;
            sawGroup = sawGroup || inGroup;
            continue;
        }
        std::size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos)
            continue;
        std::string_view key = trimmed(line.substr(0, equals));
        std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "Path" && !path)
            path = value;
        else if (key == "DeletionDate" && date.empty())
            date = value;
    }
    if (!path || path->empty())
        return std::nullopt;
    std::optional<std::string> original = unescaped(*path);
    if (!original || original->empty() || !hasOnlyPlainComponents(*original))
        return std::nullopt;
    if (!original->starts_with('/')) {
        if (baseFolder.empty())
            return std::nullopt;
        original = platform::Path::appending(baseFolder, *original);
    }
    while (original->size() > 1 && original->back() == '/')
        original->pop_back();
    return TrashInfo(std::move(*original), std::string(date));
}

std::optional<TrashInfo> TrashInfo::read(const std::string& infoPath,
                                         const std::string& baseFolder) {
    std::optional<std::string> text = platform::FileSystem::readFile(infoPath, kMaxFileSize);
    if (!text)
        return std::nullopt;
    return parse(*text, baseFolder);
}
