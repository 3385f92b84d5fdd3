#include "notification/HexColor.h"

#include <gtest/gtest.h>
#include <vector>

TEST(HexColor, ReadsTheFourFormsAndRefusesEverythingElse) {
    // Alpha comes first in the four-digit form and last in the eight-digit form.
    const std::pair<const char*, QColor> valid[] = {{"#abc", QColor(0xAA, 0xBB, 0xCC)},
                                                    {"F00F", QColor(0, 0, 255)},
                                                    {"8F00", QColor(255, 0, 0, 0x88)},
                                                    {"8000FF00", QColor(128, 0, 255, 0)},
                                                    {"##12#34#56", QColor(0x12, 0x34, 0x56)}};
    for (const auto& [text, colour] : valid)
        EXPECT_EQ(HexColor::colorWithHexStringNotCacheable(text), colour) << text;
    const std::string withNul("12\0"
                              "456",
                              6);
    for (const std::string& text : std::vector<std::string>{
             "", "#", "12", "12345", "1234567", "123456789", "GGG", "-12", "0x1234", withNul})
        EXPECT_EQ(HexColor::colorWithHexString(text), nullptr) << text;
    // The cache is keyed by the text as written.
    EXPECT_EQ(HexColor::colorWithHexString("#1E90FF"), HexColor::colorWithHexString("#1E90FF"));
    EXPECT_NE(HexColor::colorWithHexString("#1E90FF"), HexColor::colorWithHexString("1e90ff"));
}
