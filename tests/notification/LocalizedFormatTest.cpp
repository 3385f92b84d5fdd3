#include "notification/LocalizedFormat.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

TEST(LocalizedFormat, FillsPlaceholdersAndLeavesEverythingElseAsWritten) {
    const platform::NumberSymbols english;
    const std::pair<std::string, std::string> cases[] = {
        {"<a>%@</a> (%d)", "<a>Foo</a> (3)"},
        {"%2$zd of %1$@", "3 of Foo"},
        {"%1$@ %1$@", "Foo Foo"},
        {"100%% %@", "100% Foo"},
        // Sequences that are not ours, and placeholders without an argument, stay.
        {"%s %x %", "%s %x %"},
        {"%@ %d %@", "Foo 3 %@"},
        {"%3$@ %0$@ %$@ %99999999999999999999$@", "%3$@ %0$@ %$@ %99999999999999999999$@"},
        {"%l %z", "%l %z"},
        // A placeholder of the other kind still takes its argument.
        {"%d %@", "Foo 3"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(LocalizedFormat::format(text, {"Foo", std::int64_t{3}}, english), expected)
            << text;
    // Arguments are never read as placeholders.
    EXPECT_EQ(LocalizedFormat::format("%@!", {"%@ %d", std::int64_t{3}}, english), "%@ %d!");

    platform::NumberSymbols arabic;
    const char* const digits[] = {"\u0660", "\u0661", "\u0662", "\u0663", "\u0664",
                                  "\u0665", "\u0666", "\u0667", "\u0668", "\u0669"};
    for (std::size_t i = 0; i < 10; ++i)
        arabic.digits[i] = digits[i];
    EXPECT_EQ(LocalizedFormat::format("%zd apps, %@", {std::int64_t{-120}, "12 MB"}, arabic),
              "-\u0661\u0662\u0660 apps, 12 MB");
}
