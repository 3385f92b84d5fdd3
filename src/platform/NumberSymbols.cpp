#include "platform/NumberSymbols.h"

#include "platform/LocaleEnvironment.h"

#include <unicode/dcfmtsym.h>
#include <unicode/locid.h>

namespace platform {

const NumberSymbols& NumberSymbols::current() {
    static const NumberSymbols symbols = forLocale(LocaleEnvironment::numericLocale());
    return symbols;
}

NumberSymbols NumberSymbols::forLocale(std::string_view locale) {
    NumberSymbols symbols;
    const std::string name = LocaleEnvironment::localeName(locale);
    if (name.empty())
        return symbols;
    UErrorCode status = U_ZERO_ERROR;
    const icu::DecimalFormatSymbols icuSymbols(icu::Locale(name.c_str()), status);
    if (U_FAILURE(status))
        return symbols;
    std::string separator;
    icuSymbols.getConstSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol)
        .toUTF8String(separator);
    if (!separator.empty())
        symbols.decimalSeparator = std::move(separator);
    for (int digit = 0; digit < 10; ++digit) {
        std::string text;
        icuSymbols.getConstDigitSymbol(digit).toUTF8String(text);
        if (!text.empty())
            symbols.digits[static_cast<std::size_t>(digit)] = std::move(text);
    }
    return symbols;
}

} // namespace platform
