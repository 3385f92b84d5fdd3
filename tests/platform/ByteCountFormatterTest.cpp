#include "platform/ByteCountFormatter.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

using platform::ByteCountFormatter;
using platform::NumberSymbols;
using Unit = ByteCountFormatter::Unit;

namespace {

struct Case {
    std::uint64_t bytes;
    std::string text;
};

} // namespace

TEST(ByteCountFormatter, FormatsTheFileCountStyle) {
    const NumberSymbols english;
    const Case cases[] = {
        {0, "Zero KB"},
        {1, "1 byte"},
        {2, "2 bytes"},
        {999, "999 bytes"},
        {1000, "1 KB"},
        {1499, "1 KB"},
        {1500, "2 KB"},
        {2500, "2 KB"}, // halves round to even
        {999499, "999 KB"},
        {999500, "1 MB"}, // 1000 KB moves up a unit
        {1050000, "1 MB"},
        {1050001, "1.1 MB"},
        {12345678, "12.3 MB"},
        {999949999, "999.9 MB"},
        {999950000, "1 GB"},
        {1015000000, "1.02 GB"},
        {1234567898, "1.23 GB"},
        {999995000000000, "1 PB"},
        {std::numeric_limits<std::uint64_t>::max(), "18.45 EB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ByteCountFormatter::stringFromByteCount(c.bytes, english), c.text) << c.bytes;
}

TEST(ByteCountFormatter, SplitsNumberAndUnitForLocalisedNames) {
    const NumberSymbols english;
    const struct {
        std::uint64_t bytes;
        std::string number;
        Unit unit;
    } cases[] = {
        {0, "0", Unit::kilobytes},
        {1, "1", Unit::bytes},
        {12345678, "12.3", Unit::megabytes},
        {1234567898765432, "1.23", Unit::petabytes},
    };
    for (const auto& c : cases) {
        const auto parts = ByteCountFormatter::partsFromByteCount(c.bytes, english);
        EXPECT_EQ(parts.number, c.number) << c.bytes;
        EXPECT_EQ(parts.unit, c.unit) << c.bytes;
    }
}

TEST(ByteCountFormatter, WritesNumbersInTheLocalesSymbols) {
    const NumberSymbols german = NumberSymbols::forLocale("de_DE.UTF-8");
    EXPECT_EQ(german.decimalSeparator, ",");
    EXPECT_EQ(ByteCountFormatter::stringFromByteCount(12345678, german), "12,3 MB");
    EXPECT_EQ(ByteCountFormatter::stringFromByteCount(1234567898, german), "1,23 GB");
    EXPECT_EQ(ByteCountFormatter::stringFromByteCount(999, german), "999 bytes");

    const NumberSymbols egyptian = NumberSymbols::forLocale("ar_EG");
    EXPECT_EQ(ByteCountFormatter::stringFromByteCount(12345678, egyptian), "١٢٫٣ MB");

    for (const char* locale : {"", "C", "POSIX.UTF-8", "xx_YY"})
        EXPECT_EQ(
            ByteCountFormatter::stringFromByteCount(1234567898, NumberSymbols::forLocale(locale)),
            "1.23 GB")
            << locale;
}
