#include "notification/HexColor.h"

#include <array>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Parsed {
    const char* text;
    int red;
    int green;
    int blue;
    int alpha;
};

} // namespace

TEST(HexColor, ReadsTheFourFormsWithOrWithoutHashes) {
    // Alpha comes first in the four-digit form and last in the eight-digit form.
    const Parsed cases[] = {
        {"#abc", 0xAA, 0xBB, 0xCC, 255},
        {"AABBCC", 0xAA, 0xBB, 0xCC, 255},
        {"F00F", 0, 0, 255, 255},
        {"8F00", 255, 0, 0, 0x88},
        {"8000FF00", 128, 0, 255, 0},
        {"#80ff00", 128, 255, 0, 255},
        {"##12#34#56", 0x12, 0x34, 0x56, 255},
        {"4F6BB3", 0x4F, 0x6B, 0xB3, 255},
        {"000", 0, 0, 0, 255},
        {"FFFFFF00", 255, 255, 255, 0},
    };
    for (const Parsed& c : cases) {
        const auto color = HexColor::colorWithHexStringNotCacheable(c.text);
        ASSERT_TRUE(color) << c.text;
        EXPECT_EQ(color->red(), c.red) << c.text;
        EXPECT_EQ(color->green(), c.green) << c.text;
        EXPECT_EQ(color->blue(), c.blue) << c.text;
        EXPECT_EQ(color->alpha(), c.alpha) << c.text;
    }
    const auto half = HexColor::colorWithHexStringNotCacheable("8000FF00");
    EXPECT_NEAR(half->redF(), 128 / 255.0, 1e-4);
}

TEST(HexColor, RefusesOtherLengthsAndCharacters) {
    for (const char* text : {"", "#", "##", "1", "12", "12345", "1234567", "123456789", "GGG",
                             "12 456", "-12", "0x1234", "\xc3\xa9\xc3\xa9\xc3\xa9"}) {
        EXPECT_FALSE(HexColor::colorWithHexStringNotCacheable(text)) << text;
        EXPECT_EQ(HexColor::colorWithHexString(text), nullptr) << text;
    }
    const std::string withNul("12\0"
                              "456",
                              6);
    EXPECT_FALSE(HexColor::colorWithHexStringNotCacheable(withNul));
}

TEST(HexColor, CachedTextGivesTheSameColourObject) {
    const auto first = HexColor::colorWithHexString("#1E90FF");
    const auto second = HexColor::colorWithHexString("#1E90FF");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    // The cache is keyed by the text as written.
    const auto other = HexColor::colorWithHexString("1e90ff");
    EXPECT_NE(other, first);
    EXPECT_EQ(*other, *first);
}

TEST(HexColor, ThreadsShareOneCachedObjectPerText) {
    constexpr int kThreads = 4;
    constexpr int kTexts = 64;
    std::array<std::vector<std::shared_ptr<const QColor>>, kThreads> seen;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &seen] {
            for (int round = 0; round < 20; ++round) {
                for (int i = 0; i < kTexts; ++i) {
                    char text[8];
                    std::snprintf(text, sizeof text, "#%02X%02X%02X", i, 255 - i, 7);
                    auto color = HexColor::colorWithHexString(text);
                    if (round == 0)
                        seen[t].push_back(std::move(color));
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int i = 0; i < kTexts; ++i) {
        ASSERT_NE(seen[0][i], nullptr);
        EXPECT_EQ(seen[0][i]->red(), i);
        for (int t = 1; t < kThreads; ++t)
            EXPECT_EQ(seen[t][i], seen[0][i]) << "text " << i << " thread " << t;
    }
}
