#include "platform/Text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// Splits the input at its first NUL into a text and a needle and checks properties
// that hold for any bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using platform::Text;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = std::min(input.find('\0'), input.size());
    const std::string_view text = input.substr(0, split);
    const std::string_view needle = input.substr(std::min(split + 1, input.size()));

    if (!Text::caseInsensitiveEquals(text, text))
        std::abort();
    if (auto at = Text::caseInsensitiveFind(text, needle)) {
        if (*at >= text.size() || !Text::caseInsensitiveHasPrefix(text.substr(*at), needle))
            std::abort();
    }
    if (Text::caseInsensitiveHasPrefix(text, needle) &&
        Text::caseInsensitiveFind(text, needle) != 0)
        std::abort();
    if (Text::numericCompare(text, needle) != -Text::numericCompare(needle, text))
        std::abort();
    (void)Text::capitalized(text);
    (void)Text::lowercase(needle);
    (void)Text::containsDecimalDigit(text);
    (void)Text::containsUppercaseLetter(needle);
    return 0;
}
