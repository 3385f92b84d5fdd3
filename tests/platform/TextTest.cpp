#include "platform/Text.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

using platform::Text;

TEST(Text, CaseInsensitiveEqualityFoldsFullyAndIgnoresCompositionForm) {
    const struct {
        std::string a, b;
        bool equal;
    } cases[] = {
        {"Straße", "STRASSE", true},
        {"ΣΊΣΥΦΟΣ", "σίσυφος", true},      // final sigma folds like medial sigma
        {"caf\u00e9", "CAFE\u0301", true}, // precomposed and decomposed
        {"I", "\u0131", false},            // the root locale has no dotless-i rule
        {"a\xff", "A\xfe", true},          // invalid bytes all read as U+FFFD
        {"\xc3", "", false},               // a truncated sequence is still a character
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text::caseInsensitiveEquals(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(Text::caseInsensitiveEquals(c.b, c.a), c.equal) << c.b << " / " << c.a;
    }
}

TEST(Text, PrefixSuffixAndFindNeverSplitACharacter) {
    const struct {
        std::string text, affix;
        bool prefix, suffix;
    } affixes[] = {
        {"Foo.APP", ".app", false, true},
        {"Straße", "STRASS", true, false}, // covers all of "ß"
        {"Straße", "STRAS", false, false}, // would end inside "ß"
        {"Straße", "SE", false, false},
        {"resume\u0301", "resume", false, false}, // would cut the accent off the "e"
    };
    for (const auto& c : affixes) {
        EXPECT_EQ(Text::caseInsensitiveHasPrefix(c.text, c.affix), c.prefix) << c.text;
        EXPECT_EQ(Text::caseInsensitiveHasSuffix(c.text, c.affix), c.suffix) << c.text;
    }
    const struct {
        std::string haystack, needle;
        std::size_t from;
        std::optional<std::size_t> offset;
    } finds[] = {
        {"Hello World", "o", 5, 7},
        {"Hello", "o", 5, std::nullopt},
        {"Straße Straße", "SS", 5, 12},
        {"cafe\u0301 caf\u00e9", "CAF\u00c9", 1, 7},
        {"cafe\u0301", "cafe", 0, std::nullopt},
        {"\u00e9a", "A", 1, 2}, // a start inside "é" moves to the next character
        {"\xff\xfe\x61\x62\x63", "BC", 0, 3},
    };
    for (const auto& c : finds)
        EXPECT_EQ(Text::caseInsensitiveFind(c.haystack, c.needle, c.from), c.offset)
            << c.haystack << " / " << c.needle << " from " << c.from;
}

TEST(Text, CaseMappingsUseTheRootLocaleAndCharacterClassesReadUnicode) {
    const struct {
        std::string (*mapping)(std::string_view);
        std::string input, expected;
    } cases[] = {
        {Text::lowercase, "ΟΔΟΣ ΣΑΣ", "οδος σας"},
        {Text::lowercase, "I\u0130", "ii\u0307"},
        {Text::uppercase, "straße", "STRASSE"},
        {Text::capitalized, "  two  words\tand\nlines ", "  Two  Words\tAnd\nLines "},
        {Text::capitalized, "ǆemal ßa (hello) 123abc", "ǅemal Ssa (Hello) 123abc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.mapping(c.input), c.expected) << c.input;

    EXPECT_FALSE(Text::containsDecimalDigit("\u216b"));   // Roman numeral twelve is no digit
    EXPECT_TRUE(Text::containsUppercaseLetter("\u01c5")); // title-case "ǅ"
}

TEST(Text, NumericCompareOrdersDigitRunsByValue) {
    const struct {
        std::string a, b;
        int order;
    } cases[] = {
        {"10.9", "10.10", -1}, {"10.15", "10.15.7", -1},
        {"10.9", "9.10", 1},   {"007", "7", 0},
        {"a2", "a10", -1},     {"99999999999999999999999", "100000000000000000000000", -1},
        {"x10", "x.", 1},      {"\xff", "a", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text::numericCompare(c.a, c.b), c.order) << c.a << " / " << c.b;
}
