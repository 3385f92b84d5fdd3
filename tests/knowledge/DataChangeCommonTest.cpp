#include "knowledge/DataChangeCommon.h"

#include "ContainerTestSupport.h"
#include "knowledge/DataDecompressor.h"

#include <gtest/gtest.h>
#include <set>

using namespace container_test;

TEST(DataChangeCommon, WritesAndReadsHexadecimal) {
    EXPECT_EQ(DataChangeCommon::hexStringFromData(bytes(std::string("\x00\x0f\xa5\xff", 4))),
              "000FA5FF");
    EXPECT_EQ(text(DataChangeCommon::dataFromHexString("000fA5Ff")),
              std::string("\x00\x0f\xa5\xff", 4));
    EXPECT_EQ(text(DataChangeCommon::dataFromHexString("")), "");
    for (const char* bad : {"0", "0G", "g0", "0 ", "+1", "123"})
        EXPECT_FALSE(DataChangeCommon::dataFromHexString(bad)) << bad;
}

TEST(DataChangeCommon, ReversesBitsAndBytes) {
    const std::pair<std::uint8_t, std::uint8_t> bits[] = {
        {0x00, 0x00}, {0x01, 0x80}, {0x12, 0x48}, {0xF0, 0x0F}, {0xA5, 0xA5}, {0x50, 0x0A},
    };
    for (auto [in, out] : bits) {
        EXPECT_EQ(DataChangeCommon::reverseChar(in), out) << int(in);
        EXPECT_EQ(DataChangeCommon::reverseChar(out), in) << int(out);
    }
    std::string data = "abcde";
    DataChangeCommon::revertData({reinterpret_cast<std::uint8_t*>(data.data()), data.size()});
    EXPECT_EQ(data, "edcba");
}

TEST(DataChangeCommon, DrawsRandomStringsFromTheirAlphabet) {
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        std::string name = DataChangeCommon::randomStringWithLength(10);
        EXPECT_EQ(name.size(), 10u);
        EXPECT_EQ(name.find_first_not_of(
                      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"),
                  std::string::npos);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 20u);
    std::string hex = DataChangeCommon::randomHexStringWithLength(64);
    EXPECT_EQ(hex.size(), 64u);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(DataChangeCommon::randomStringWithLength(5, "z"), "zzzzz");
    EXPECT_EQ(DataChangeCommon::randomStringWithLength(5, ""), "");
}

TEST(DataChangeCommon, CopiesOnlyRangesThatFit) {
    const std::string source = "0123456789";
    struct Case {
        ByteRange range;
        std::optional<std::string> copied;
    };
    const Case cases[] = {
        {{0, 10}, "0123456789"},       {{3, 4}, "3456"},        {{10, 0}, ""},
        {{9, 2}, std::nullopt},        {{11, 0}, std::nullopt}, {{2, SIZE_MAX}, std::nullopt},
        {{SIZE_MAX, 2}, std::nullopt},
    };
    for (const Case& c : cases) {
        auto copy = DataDecompressor::dataFromData(bytes(source), c.range);
        EXPECT_EQ(text(copy), c.copied.value_or("<nothing>")) << c.range.location;
        SecureBuffer target(std::string_view("ab"));
        EXPECT_EQ(DataChangeCommon::appendToData(target, c.range, bytes(source)),
                  c.copied.has_value());
        EXPECT_EQ(target.view(), "ab" + c.copied.value_or("")) << c.range.location;
    }
}
