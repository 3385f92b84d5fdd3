#include "shell/DesktopEntry.h"

#include "platform/FileSystem.h"
#include "shell/KeyFileLines.h"

namespace {

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
    KeyFileLines::forEach(text, [&](const KeyFileLines::Line& line) {
        if (line.isHeader) {
            // Only the first "[Desktop Entry]" counts; a group of that name again is
            // another group for this reader.
            inGroup = !sawGroup && line.header == "[Desktop Entry]";
            sawGroup = sawGroup || inGroup;
            return;
        }
        if (!inGroup || line.key.empty() || line.key.find('[') != std::string_view::npos ||
            line.key.find('\0') != std::string_view::npos)
            return;
        // The first of duplicated keys holds, as the desktops read them.
        entry.m_values.emplace(std::string(line.key), unescaped(line.value));
    });
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
