#include "shell/DesktopEntry.h"

#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace {

std::string_view trimmed(std::string_view text) {
    return platform::Text::trimmedBlanks(text);
}

std::string unescaped(std::string_view value) {
    std::string result;
    result.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            result += ' ';
            break;
        case 'n':
            result += '\n';
            break;
        case 't':
            result += '\t';
            break;
        case 'r':
            result += '\r';
            break;
        case '\\':
            result += '\\';
            break;
        default:
            // Escapes of their own (";" in lists, quoting in Exec) are kept for the reader
            // of the value.
            result += '\\';
            result += value[i];
        }
    }
    return result;
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::parse(std::string_view text) {
    DesktopEntry entry;
    bool inGroup = false;
    bool sawGroup = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            // Only the first "[Desktop Entry]" counts; a group of that name again is
            // another group for this reader.
            inGroup = !sawGroup && line == "[Desktop Entry]";
            sawGroup = sawGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        if (key.empty() || key.find('[') != std::string_view::npos ||
            key.find('\0') != std::string_view::npos)
            continue;
        // The first of duplicated keys holds, as the desktops read them.
        entry.m_values.emplace(std::string(key), unescaped(trimmed(line.substr(equals + 1))));
    }
    if (!sawGroup)
        return std::nullopt;
    return entry;
}

std::optional<DesktopEntry> DesktopEntry::readFile(const std::string& path) {
    std::optional<std::string> text = platform::FileSystem::readFile(path, kMaxBytes);
    if (!text)
        return std::nullopt;
    return parse(*text);
}

std::optional<std::string> DesktopEntry::value(std::string_view key) const {
    auto found = m_values.find(key);
    if (found == m_values.end())
        return std::nullopt;
    return found->second;
}

std::vector<std::string> DesktopEntry::splitExec(std::string_view exec) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    bool fieldCode = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                current += exec[++i];
            } else {
                current += c;
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inArgument && !fieldCode)
                arguments.push_back(std::move(current));
            current.clear();
            inArgument = fieldCode = false;
            continue;
        }
        if (c == '"') {
            quoted = inArgument = true;
            continue;
        }
        if (c == '%' && i + 1 < exec.size()) {
            // "%%" is a percent sign; any other field code is filled in by the launcher and
            // makes no argument of ours when it stands alone.
            if (exec[++i] == '%') {
                current += '%';
            } else if (!inArgument) {
                fieldCode = true;
            }
            inArgument = true;
            continue;
        }
        current += c;
        inArgument = true;
    }
    if (quoted)
        return {};
    if (inArgument && !fieldCode)
        arguments.push_back(std::move(current));
    return arguments;
}

std::string DesktopEntry::programOfExec(std::string_view exec) {
    const std::vector<std::string> arguments = splitExec(exec);
    std::size_t index = 0;
    if (index < arguments.size() &&
        (arguments[index] == "env" || arguments[index] == "/usr/bin/env")) {
        ++index;
        while (index < arguments.size() && arguments[index].find('=') != std::string::npos &&
               !arguments[index].starts_with('/'))
            ++index;
    }
    return index < arguments.size() ? arguments[index] : std::string();
}
