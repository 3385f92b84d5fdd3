#include "notification/HexColor.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
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
}

// The cache is keyed by the text as written and shared by every thread.
TEST(HexColor, ThreadsShareOneCachedObjectPerText) {
    std::vector<std::shared_ptr<const QColor>> seen[4];
    std::vector<std::thread> threads;
    for (auto& colours : seen)
        threads.emplace_back([&colours] {
            for (int i = 0; i < 64; ++i)
                colours.push_back(HexColor::colorWithHexString("#0000" + std::to_string(10 + i)));
        });
    for (auto& thread : threads)
        thread.join();
    for (int i = 0; i < 64; ++i) {
        ASSERT_NE(seen[0][i], nullptr);
        const int n = 10 + i;
        EXPECT_EQ(seen[0][i]->blue(), n / 10 * 16 + n % 10) << i;
        for (const auto& colours : seen)
            EXPECT_EQ(colours[i], seen[0][i]) << i;
    }
    const auto lower = HexColor::colorWithHexString("#00001a");
    EXPECT_NE(lower, HexColor::colorWithHexString("#00001A"));
    EXPECT_EQ(*lower, *HexColor::colorWithHexString("#00001A"));
}
