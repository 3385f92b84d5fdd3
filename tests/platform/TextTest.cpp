#include "platform/Text.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

using platform::Text;

namespace {

struct EqualsCase {
    std::string a;
    std::string b;
    bool equal;
};

struct AffixCase {
    std::string text;
    std::string affix;
    bool prefix;
    bool suffix;
};

struct FindCase {
    std::string haystack;
    std::string needle;
    std::size_t from;
    std::optional<std::size_t> offset;
};

struct MappingCase {
    std::string (*mapping)(std::string_view);
    std::string input;
    std::string expected;
};

} // namespace

TEST(Text, CaseInsensitiveEqualityFoldsFullyAndIgnoresCompositionForm) {
    const EqualsCase cases[] = {
        {"Straße", "STRASSE", true},
        {"ǆungla", "Ǆungla", true},
        {"ΣΊΣΥΦΟΣ", "σίσυφος", true},      // final sigma folds like medial sigma
        {"caf\u00e9", "CAFE\u0301", true}, // precomposed and decomposed
        {"\u212a", "k", true},             // Kelvin sign
        {"I", "i", true},
        {"I", "\u0131", false}, // the root locale has no dotless-i rule
        {"\u0130", "i", false},
        {"abc", "abd", false},
        {"abc", "ab", false},
        {"", "", true},
        {"a\xff", "A\xfe", true}, // invalid bytes all read as U+FFFD
        {"\xff", "\xef\xbf\xbd", true},
        {"\xc3", "", false}, // a truncated sequence is still a character
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text::caseInsensitiveEquals(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(Text::caseInsensitiveEquals(c.b, c.a), c.equal) << c.b << " / " << c.a;
    }
}

TEST(Text, PrefixAndSuffixNeverSplitACharacter) {
    const AffixCase cases[] = {
        {"Foo.APP", "foo", true, false},
        {"Foo.APP", ".app", false, true},
        {"app", "foo.app", false, false},
        {"Foo", "", false, false},
        {"Straße", "STRASS", true, false}, // covers all of "ß"
        {"Straße", "STRAS", false, false}, // would end inside "ß"
        {"Straße", "SSE", false, true},
        {"Straße", "SE", false, false},
        {"re\u0301sume\u0301", "R\u00c9SUM\u00c9", true, true},
        {"resume\u0301", "resume", false, false}, // would cut the accent off the "e"
        {"\u0301abc", "\u0301", true, false},     // a leading combining mark stands alone
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text::caseInsensitiveHasPrefix(c.text, c.affix), c.prefix)
            << c.text << " / " << c.affix;
        EXPECT_EQ(Text::caseInsensitiveHasSuffix(c.text, c.affix), c.suffix)
            << c.text << " / " << c.affix;
    }
}

TEST(Text, FindAnswersTheByteOffsetOfTheFirstWholeCharacterMatch) {
    const FindCase cases[] = {
        {"Hello World", "WORLD", 0, 6},
        {"Hello World", "o", 5, 7},
        {"Hello", "o", 5, std::nullopt},
        {"Hello", "o", 99, std::nullopt},
        {"Hello", "", 0, std::nullopt},
        {"Straße Straße", "SS", 0, 4},
        {"Straße Straße", "SS", 5, 12},
        {"Straße", "s", 1, std::nullopt},
        {"ΑΣ Σ", "σ", 0, 2},
        {"cafe\u0301 caf\u00e9", "CAF\u00c9", 1, 7},
        {"cafe\u0301", "cafe", 0, std::nullopt},
        {"\u00e9a", "A", 1, 2}, // a start inside "é" moves to the next character
        {"\xff\xfe"
         "abc",
         "BC", 0, 3},
        {"\u00e9\u00e9", "\u00c9", 1, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text::caseInsensitiveFind(c.haystack, c.needle, c.from), c.offset)
            << c.haystack << " / " << c.needle << " from " << c.from;
    }
}

TEST(Text, CaseMappingsUseTheRootLocale) {
    const MappingCase cases[] = {
        {Text::lowercase, "ÀÉÎ Abc", "àéî abc"},
        {Text::lowercase, "ΟΔΟΣ ΣΑΣ", "οδος σας"},
        {Text::lowercase, "I\u0130",
         "i"
         "i\u0307"},
        {Text::lowercase,
         "A\xff"
         "B",
         "a\ufffd"
         "b"},
        {Text::uppercase, "straße", "STRASSE"},
        {Text::uppercase, "i\u0131", "II"},
        {Text::uppercase, "\xc3", "\ufffd"},
        {Text::capitalized, "hello wORLD", "Hello World"},
        {Text::capitalized, "  two  words\tand\nlines ", "  Two  Words\tAnd\nLines "},
        {Text::capitalized, "élan vital", "Élan Vital"},
        {Text::capitalized, "ǆemal ßa", "ǅemal Ssa"},
        {Text::capitalized, "(hello) 123abc", "(Hello) 123abc"},
        {Text::capitalized, "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.mapping(c.input), c.expected) << c.input;
}

TEST(Text, NumericCompareOrdersDigitRunsByValue) {
    struct Case {
        std::string a;
        std::string b;
        int order;
    };
    const Case cases[] = {
        {"10.9", "10.10", -1},
        {"10.15", "10.15.7", -1},
        {"10.15.7", "10.15.7", 0},
        {"10.9", "9.10", 1},
        {"007", "7", 0},
        {"a2", "a10", -1},
        {"99999999999999999999999", "100000000000000000000000", -1},
        {"1.2a", "1.2b", -1},
        {"x10", "x.", 1},
        {"", "", 0},
        {"", "1", -1},
        {"\xff", "a", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text::numericCompare(c.a, c.b), c.order) << c.a << " / " << c.b;
        EXPECT_EQ(Text::numericCompare(c.b, c.a), -c.order) << c.b << " / " << c.a;
    }
}

TEST(Text, CharacterClassTests) {
    EXPECT_FALSE(Text::containsDecimalDigit("abc"));
    EXPECT_TRUE(Text::containsDecimalDigit("ABCDE12345"));
    EXPECT_TRUE(Text::containsDecimalDigit("\u0663"));  // Arabic-Indic three
    EXPECT_FALSE(Text::containsDecimalDigit("\u216b")); // Roman numeral twelve is no digit
    EXPECT_FALSE(Text::containsDecimalDigit("\xff\xfe"));

    EXPECT_FALSE(Text::containsUppercaseLetter("abc-123 ß"));
    EXPECT_TRUE(Text::containsUppercaseLetter("abC"));
    EXPECT_TRUE(Text::containsUppercaseLetter("\u00c9"));
    EXPECT_TRUE(Text::containsUppercaseLetter("\u01c5")); // title-case "ǅ"
    EXPECT_FALSE(Text::containsUppercaseLetter("\xc3"));
}
