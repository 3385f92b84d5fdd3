#include "notification/LocalizedFormat.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

using platform::NumberSymbols;

TEST(LocalizedFormat, FillsPlaceholdersAndLeavesEverythingElseAsWritten) {
    const NumberSymbols english;
    const std::int64_t smallest = std::numeric_limits<std::int64_t>::min();
    const struct {
        std::string text;
        std::string expected;
        std::string_view name;
        std::int64_t number;
    } cases[] = {
        {"<a>%@</a> (%d)", "<a>Foo</a> (3)", "Foo", 3},
        {"%2$zd of %1$@", "3 of Foo", "Foo", 3},
        {"%2$d: %1$@", "3: Foo", "Foo", 3},
        {"%1$@ %1$@", "Foo Foo", "Foo", 3},
        {"100%% %@", "100% Foo", "Foo", 3},
        {"%2$d", "-42", "", -42},
        {"%@ %d", " -9223372036854775808", "", smallest},
        // Arguments are never read as placeholders.
        {"%@!", "%@ %d <a>50%</a>!", "%@ %d <a>50%</a>", 3},
        {"[%@]", "[]", "", 3},
        // Sequences that are not ours, and placeholders without an argument, stay.
        {"%s %x %f %", "%s %x %f %", "Foo", 3},
        {"%@ %d %@", "Foo 3 %@", "Foo", 3},
        {"%3$@ %0$@ %$@ %1$s", "%3$@ %0$@ %$@ %1$s", "Foo", 3},
        {"%99999999999999999999$@", "%99999999999999999999$@", "Foo", 3},
        {"%l", "%l", "Foo", 3},
        {"%z", "%z", "Foo", 3},
        // A placeholder of the other kind still takes its argument.
        {"%d %@", "Foo 3", "Foo", 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LocalizedFormat::format(c.text, {c.name, c.number}, english), c.expected)
            << c.text;
}

TEST(LocalizedFormat, WritesNumbersInTheLocaleDigits) {
    NumberSymbols arabic;
    const char* const digits[] = {"\u0660", "\u0661", "\u0662", "\u0663", "\u0664",
                                  "\u0665", "\u0666", "\u0667", "\u0668", "\u0669"};
    for (std::size_t i = 0; i < 10; ++i)
        arabic.digits[i] = digits[i];
    EXPECT_EQ(LocalizedFormat::format("%zd apps, %@", {std::int64_t{-120}, "12 MB"}, arabic),
              "-\u0661\u0662\u0660 apps, 12 MB");
}
