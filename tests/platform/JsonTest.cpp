#include "platform/Json.h"

#include <gtest/gtest.h>
#include <limits>

using platform::Json;
using platform::PlistValue;

TEST(Json, ParsesEachKindOfValueAndRejectsMalformedText) {
    const struct {
        const char* text;
        PlistValue expected;
    } cases[] = {
        {"{\"b\": [1, -2, 3.5, 1e2, true, false, null], \"a\": {}}",
         PlistValue::Dictionary{
             {"a", PlistValue::Dictionary{}},
             {"b", PlistValue::Array{1, -2, 3.5, 100.0, true, false, PlistValue()}}}},
        {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
        {"9223372036854775808", 9223372036854775808.0},
        {"\"caf\\u00e9 \\ud83d\\ude00 \\/ \\\"\"", "caf\xC3\xA9 \xF0\x9F\x98\x80 / \""},
        {"\"\\u0000\"", std::string(1, '\0')},
        {" {\"k\": 1, \"k\": 2} ", PlistValue::Dictionary{{"k", 2}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Json::parse(c.text), c.expected) << c.text;
    for (const char* text : {"", "{", "[1,]", "{'a': 1}", "[1] [2]", "// comment\n[1]", "\"\xFF\"",
                             "\"\\ud800\"", "NaN", "[1e400]", "{1: 2}"})
        EXPECT_FALSE(Json::parse(text)) << text;
}

TEST(Json, SerializesCompactlyWithKeysInOrderAndLimitsNesting) {
    EXPECT_EQ(Json::serialize(PlistValue::Dictionary{{"b", 1}, {"a", PlistValue::Array{"x"}}}),
              "{\"a\":[\"x\"],\"b\":1}");
    EXPECT_EQ(Json::serialize(PlistValue("quote\" nl\n bell\x07")),
              "\"quote\\\" nl\\n bell\\u0007\"");
    const PlistValue mixed = PlistValue::Array{-5, 0.25, 1.0, true, PlistValue(), "\xC3\xA9"};
    EXPECT_EQ(Json::parse(Json::serialize(mixed).value()), mixed);

    const std::size_t limit = Json::kMaxDepth;
    EXPECT_TRUE(Json::parse(std::string(limit, '[') + std::string(limit, ']')));
    EXPECT_FALSE(Json::parse(std::string(limit + 1, '[') + std::string(limit + 1, ']')));
    EXPECT_FALSE(Json::parse(std::string(1000000, '[')));
    PlistValue deep = PlistValue::Array{};
    for (std::size_t i = 1; i < limit; ++i)
        deep = PlistValue::Array{deep};
    EXPECT_TRUE(Json::serialize(deep));
    EXPECT_FALSE(Json::serialize(PlistValue::Array{deep}));
}
