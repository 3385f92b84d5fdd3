#include "platform/LocaleEnvironment.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace platform {

namespace {

// The first of the variables that is set and not empty, as POSIX orders them.
std::string firstSet(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value && *value)
            return LocaleEnvironment::localeName(value);
    }
    return {};
}

} // namespace

std::string LocaleEnvironment::localeName(std::string_view value) {
    value = value.substr(0, value.find_first_of(".@"));
    if (value == "C" || value == "POSIX")
        return {};
    return std::string(value);
}

std::string LocaleEnvironment::messagesLocale() {
    return firstSet({"LC_ALL", "LC_MESSAGES", "LANG"});
}

std::string LocaleEnvironment::numericLocale() {
    return firstSet({"LC_ALL", "LC_NUMERIC", "LANG"});
}

std::vector<std::string> LocaleEnvironment::preferredLanguages() {
    std::vector<std::string> languages;
    auto add = [&languages](std::string_view entry) {
        std::string name = localeName(entry);
        if (!name.empty() && std::find(languages.begin(), languages.end(), name) == languages.end())
            languages.push_back(std::move(name));
    };
    if (const char* list = std::getenv("LANGUAGE")) {
        std::string_view rest(list);
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            add(rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    add(messagesLocale());
    if (languages.empty())
        languages.push_back("en");
    return languages;
}

} // namespace platform
