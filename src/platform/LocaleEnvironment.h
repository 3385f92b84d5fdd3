#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The user's language and locale as the POSIX environment gives them.
class LocaleEnvironment {
public:
    // The locale part of a POSIX locale value: "de_DE.UTF-8@euro" gives "de_DE".
    // "C", "POSIX" and an empty value name no locale and give "".
    static std::string localeName(std::string_view value);

    // The locale for messages: LC_ALL, else LC_MESSAGES, else LANG; "" for none.
    static std::string messagesLocale();

    // The locale for numbers: LC_ALL, else LC_NUMERIC, else LANG; "" for none.
    static std::string numericLocale();

    // The languages the user prefers, best first: the entries of LANGUAGE, then the
    // messages locale. Never empty: "en" when the environment names none.
    static std::vector<std::string> preferredLanguages();
};

} // namespace platform
