#include "shell/KeyFileLines.h"

#include "platform/Text.h"

void KeyFileLines::forEach(std::string_view text, const std::function<void(const Line&)>& action) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = platform::Text::trimmedBlanks(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            action({true, line, {}, {}});
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        action({false,
                {},
                platform::Text::trimmedBlanks(line.substr(0, equals)),
                platform::Text::trimmedBlanks(line.substr(equals + 1))});
    }
}
