#include "platform/ByteCountFormatter.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

using platform::ByteCountFormatter;
using platform::NumberSymbols;
using Unit = ByteCountFormatter::Unit;

TEST(ByteCountFormatter, FormatsTheFileCountStyle) {
    const NumberSymbols english;
    const std::pair<std::uint64_t, std::string> cases[] = {
        {0, "Zero KB"},
        {1, "1 byte"},
        {999, "999 bytes"},
        {1499, "1 KB"},
        {2500, "2 KB"},   // halves round to even
        {999500, "1 MB"}, // 1000 KB moves up a unit
        {999949999, "999.9 MB"},
        {1015000000, "1.02 GB"},
        {std::numeric_limits<std::uint64_t>::max(), "18.45 EB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(ByteCountFormatter::stringFromByteCount(bytes, english), text) << bytes;
    const auto parts = ByteCountFormatter::partsFromByteCount(1234567898765432, english);
    EXPECT_EQ(parts.number, "1.23");
    EXPECT_EQ(parts.unit, Unit::petabytes);
}

TEST(ByteCountFormatter, WritesNumbersInTheLocalesSymbols) {
    const NumberSymbols german = NumberSymbols::forLocale("de_DE.UTF-8");
    EXPECT_EQ(ByteCountFormatter::stringFromByteCount(1234567898, german), "1,23 GB");
    const NumberSymbols egyptian = NumberSymbols::forLocale("ar_EG");
    EXPECT_EQ(ByteCountFormatter::stringFromByteCount(12345678, egyptian), "١٢٫٣ MB");
    for (const char* locale : {"", "xx_YY"})
        EXPECT_EQ(
            ByteCountFormatter::stringFromByteCount(1234567898, NumberSymbols::forLocale(locale)),
            "1.23 GB")
            << locale;
}
