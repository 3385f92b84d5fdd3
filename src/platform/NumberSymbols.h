#pragma once

#include <array>
#include <string>
#include <string_view>

namespace platform {

// The symbols a locale writes numbers with.
struct NumberSymbols {
    std::string decimalSeparator{"."};
    std::array<std::string, 10> digits{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

    // The symbols of the user's numeric locale (LC_ALL, else LC_NUMERIC, else LANG),
    // read once per process like the platform's formatters.
    static const NumberSymbols& current();

    // The symbols of a locale such as "de_DE" or "de_DE.UTF-8"; the root locale's
    // (the defaults above) for "", "C" or a locale ICU does not know.
    static NumberSymbols forLocale(std::string_view locale);
};

} // namespace platform
