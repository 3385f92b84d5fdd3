#include "platform/Text.h"

#include "platform/FoldedText.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

namespace platform {

namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char asciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool asciiEqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Compares two runs of ASCII digits by value, without any limit on their length.
int compareDigitRuns(std::string_view a, std::string_view b) {
    while (a.size() > 1 && a.front() == '0')
        a.remove_prefix(1);
    while (b.size() > 1 && b.front() == '0')
        b.remove_prefix(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int order = a.compare(b);
    return (order > 0) - (order < 0);
}

std::string_view digitRun(std::string_view s, std::size_t at) {
    std::size_t end = at;
    while (end < s.size() && isDigit(s[end]))
        ++end;
    return s.substr(at, end - at);
}

template <typename Predicate> bool containsCodePoint(std::string_view s, Predicate predicate) {
    std::size_t offset = 0;
    while (offset < s.size()) {
        if (predicate(static_cast<UChar32>(Utf8::next(s, offset))))
            return true;
    }
    return false;
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

} // namespace

bool Text::caseInsensitiveEquals(std::string_view a, std::string_view b) {
    if (Utf8::isAscii(a) && Utf8::isAscii(b))
        return asciiEqualIgnoringCase(a, b);
    return FoldedText(a).key() == FoldedText(b).key();
}

bool Text::caseInsensitiveHasPrefix(std::string_view s, std::string_view prefix) {
    if (prefix.empty())
        return false;
    if (Utf8::isAscii(s) && Utf8::isAscii(prefix))
        return prefix.size() <= s.size() &&
               asciiEqualIgnoringCase(s.substr(0, prefix.size()), prefix);
    return FoldedText(s).hasPrefix(FoldedText(prefix));
}

bool Text::caseInsensitiveHasSuffix(std::string_view s, std::string_view suffix) {
    if (suffix.empty())
        return false;
    if (Utf8::isAscii(s) && Utf8::isAscii(suffix))
        return suffix.size() <= s.size() &&
               asciiEqualIgnoringCase(s.substr(s.size() - suffix.size()), suffix);
    return FoldedText(s).hasSuffix(FoldedText(suffix));
}

std::optional<std::size_t> Text::caseInsensitiveFind(std::string_view haystack,
                                                     std::string_view needle,
                                                     std::size_t fromByte) {
    if (needle.empty() || fromByte >= haystack.size())
        return std::nullopt;
    if (Utf8::isAscii(haystack) && Utf8::isAscii(needle)) {
        auto it = std::search(haystack.begin() + static_cast<std::ptrdiff_t>(fromByte),
                              haystack.end(), needle.begin(), needle.end(),
                              [](char x, char y) { return asciiLower(x) == asciiLower(y); });
        if (it == haystack.end())
            return std::nullopt;
        return static_cast<std::size_t>(it - haystack.begin());
    }
    return FoldedText(haystack).find(FoldedText(needle), fromByte);
}

std::string Text::lowercase(std::string_view s) {
    if (Utf8::isAscii(s)) {
        std::string out(s);
        std::transform(out.begin(), out.end(), out.begin(), asciiLower);
        return out;
    }
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(s);
    return toUtf8(text.toLower(icu::Locale::getRoot()));
}

std::string Text::uppercase(std::string_view s) {
    if (Utf8::isAscii(s)) {
        std::string out(s);
        std::transform(out.begin(), out.end(), out.begin(), asciiUpper);
        return out;
    }
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(s);
    return toUtf8(text.toUpper(icu::Locale::getRoot()));
}

std::string Text::capitalized(std::string_view s) {
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(s);
    icu::UnicodeString result;
    int32_t index = 0;
    while (index < text.length()) {
        const int32_t start = index;
        auto isSpace = [&text](int32_t at) { return u_isUWhiteSpace(text.char32At(at)) != 0; };
        const bool space = isSpace(index);
        while (index < text.length() && isSpace(index) == space)
            index = text.moveIndex32(index, 1);
        icu::UnicodeString run(text, start, index - start);
        if (!space)
            run.toTitle(nullptr, icu::Locale::getRoot(), U_TITLECASE_WHOLE_STRING);
        result.append(run);
    }
    return toUtf8(result);
}

int Text::numericCompare(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const std::string_view runA = digitRun(a, i);
            const std::string_view runB = digitRun(b, j);
            if (int order = compareDigitRuns(runA, runB))
                return order;
            i += runA.size();
            j += runB.size();
            continue;
        }
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[j]);
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    const bool aLeft = i < a.size();
    const bool bLeft = j < b.size();
    return static_cast<int>(aLeft) - static_cast<int>(bLeft);
}

bool Text::containsDecimalDigit(std::string_view s) {
    return containsCodePoint(s, [](UChar32 c) { return u_isdigit(c) != 0; });
}

bool Text::containsUppercaseLetter(std::string_view s) {
    return containsCodePoint(s, [](UChar32 c) {
        const auto type = u_charType(c);
        return type == U_UPPERCASE_LETTER || type == U_TITLECASE_LETTER;
    });
}

} // namespace platform
