#include "platform/Json.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using platform::Json;
using platform::PlistValue;

namespace {

std::string nestedArrays(std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

} // namespace

TEST(Json, ParsesEachKindOfValue) {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Json::parse(c.text), c.expected);
    }
}

TEST(Json, RejectsMalformedText) {
    const char* cases[] = {
        "",         "{",           "[1,]", "{'a': 1}", "[1] [2]", "// comment\n[1]",
        "\"\xFF\"", "\"\\ud800\"", "NaN",  "[1e400]",  "{1: 2}",
    };
    for (const char* text : cases)
        EXPECT_FALSE(Json::parse(text)) << text;
}

TEST(Json, LimitsNesting) {
    EXPECT_TRUE(Json::parse(nestedArrays(Json::kMaxDepth)));
    EXPECT_FALSE(Json::parse(nestedArrays(Json::kMaxDepth + 1)));
    EXPECT_FALSE(Json::parse(std::string(1000000, '[')));

    PlistValue deep = PlistValue::Array{};
    for (std::size_t i = 1; i < Json::kMaxDepth; ++i)
        deep = PlistValue::Array{deep};
    EXPECT_EQ(Json::serialize(deep), nestedArrays(Json::kMaxDepth));
    EXPECT_FALSE(Json::serialize(PlistValue::Array{deep}));
}

TEST(Json, SerializesCompactlyWithKeysInOrder) {
    const PlistValue message = PlistValue::Dictionary{{"b", 1}, {"a", PlistValue::Array{"x"}}};
    EXPECT_EQ(Json::serialize(message), "{\"a\":[\"x\"],\"b\":1}");
    EXPECT_EQ(Json::serialize(PlistValue("quote\" nl\n bell\x07")),
              "\"quote\\\" nl\\n bell\\u0007\"");

    const PlistValue mixed = PlistValue::Array{-5, 0.25, 1.0, true, PlistValue(), "\xC3\xA9"};
    const auto text = Json::serialize(mixed);
    ASSERT_TRUE(text);
    EXPECT_EQ(Json::parse(*text), mixed);
}

TEST(Json, RefusesValuesWithoutAJsonForm) {
    const struct {
        const char* name;
        PlistValue value;
    } cases[] = {
        {"data", PlistValue::Data{1, 2}},
        {"date", PlistValue::Date{0}},
        {"NaN inside an array", PlistValue::Array{1, std::nan("")}},
        {"string not UTF-8", "\xC3"},
        {"key not UTF-8", PlistValue::Dictionary{{"\xFF", 1}}},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(Json::serialize(c.value)) << c.name;
}
