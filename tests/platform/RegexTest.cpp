#include "platform/Regex.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>

using platform::Regex;
using Range = std::optional<std::pair<std::size_t, std::size_t>>;

TEST(Regex, MatchesAnywhereOrWholeWithByteRangesAndRefusesInvalidPatterns) {
    for (const std::string pattern : {"(", "a{2,1}", "\\", "\xff\x61"})
        EXPECT_FALSE(Regex::create(pattern).has_value()) << pattern;
    const struct {
        std::string pattern;
        bool caseInsensitive;
        std::string text;
        bool whole;
        Range first;
    } cases[] = {
        {"[A-Z0-9]{10}", false, "xABCDE12345y", false, std::pair(1, 11)},
        {"[A-Z0-9]{10}", false, "abcde12345", false, std::nullopt},
        {"straße", true, "STRASSE", true, std::pair(0, 7)},
        {"é", false, "café au lait", false, std::pair(3, 5)},
        {"x", false, "ab\xff\xfex", false, std::pair(4, 5)},
        {"^$", false, "", true, std::pair(0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern + " in " + c.text);
        auto regex = Regex::create(c.pattern, {.caseInsensitive = c.caseInsensitive});
        ASSERT_TRUE(regex.has_value());
        EXPECT_EQ(regex->firstMatch(c.text), c.first);
        EXPECT_EQ(regex->search(c.text), c.first.has_value());
        EXPECT_EQ(regex->matchesWhole(c.text), c.whole);
    }
}

TEST(Regex, PathologicalBacktrackingTimesOutAsNoMatch) {
    const std::string pathological = std::string(40, 'a') + "!";
    auto bounded = Regex::create("(a+)+$", {.timeLimit = 5});
    ASSERT_TRUE(bounded.has_value());
    EXPECT_FALSE(bounded->search(pathological));
    EXPECT_FALSE(bounded->matchesWhole(pathological));
    EXPECT_TRUE(bounded->search("aaaa"));
}
