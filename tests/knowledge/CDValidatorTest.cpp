#include "knowledge/CDValidator.h"

#include "platform/Json.h"

#include <gtest/gtest.h>
#include <string>

using platform::Json;
using platform::PlistValue;

namespace {

const char* const kInfoPlist = R"({
    "CFBundleName": "Foo Tool", "Greeting": "Straße", "Emoji": "😀ab", "Count": 3,
    "Enabled": true, "Big": 9007199254740993, "Nothing": null, "Empty": [],
    "Types": ["public.text", "public.image", "com.foo.doc"], "Mixed": ["alpha", 1],
    "Nested": {"Inner": {"Deep": "yes"}}
})";

PlistValue parsed(const std::string& json) {
    auto value = Json::parse(json);
    EXPECT_TRUE(value) << json;
    return value.value_or(PlistValue());
}

// `depth` rules "!" around a rule that is true.
std::string negatedTimes(int depth) {
    std::string rule = R"(["contains", "CFBundleName"])";
    for (int i = 0; i < depth; ++i)
        rule = R"(["!", )" + rule + "]";
    return rule;
}

} // namespace

TEST(CDValidator, AnswersRulesOfEveryKindOfValue) {
    const std::pair<const char*, bool> cases[] = {
        {R"(["contains", "Nothing"])", true},
        {R"(["contains", "Missing"])", false},
        {R"(["compare", "Nested", ["compare", "Inner", ["compare", "Deep", ["=", "yes"]]]])", true},
        {R"(["compare", "CFBundleName", ["=", "foo tool"]])", false},
        {R"(["compare", "CFBundleName", ["hasPrefix", "Foo"]])", true},
        {R"(["compare", "Greeting", ["contains", "STRASSE"]])", true},
        {R"(["compare", "CFBundleName", ["contains", ""]])", false},
        {R"(["compare", "CFBundleName", ["regexp", "^Foo\\s+T"]])", true},
        // Offsets count characters, an emoji as two units.
        {R"(["compare", "CFBundleName", ["contains", "l", 7.9]])", true},
        {R"(["compare", "CFBundleName", ["contains", "l", 8]])", false},
        // Numbers compare by value.
        {R"(["compare", "Count", ["=", 3.0]])", true},
        {R"(["compare", "Big", [">", 9007199254740992.0]])", true},
        {R"(["compare", "Big", ["=", 9007199254740992.0]])", false},
        // Arrays match element by element, or by count.
        {R"(["compare", "Types", ["=", [["hasPrefix", "public."], ["hasPrefix", "public."],
                                        ["hasSuffix", "doc"]]]])",
         true},
        {R"(["compare", "Types", ["=", [["=", "public.text"], ["=", "x"], ["=", "com.foo.doc"]]]])",
         false},
        {R"(["compare", "Empty", ["=", []]])", true},
        {R"(["compare", "Types", ["=", 2, ["hasPrefix", "public."]]])", true},
        {R"(["compare", "Types", ["=", "all", ["hasPrefix", "public."]]])", false},
        {R"(["compare", "Empty", ["=", "all", ["contains", "."]]])", false},
        // In the counting forms an element that cannot be tested simply does not count.
        {R"(["compare", "Mixed", ["=", 1, ["hasPrefix", "al"]]])", true},
        {R"(["!", ["compare", "Mixed", ["=", "all", ["hasPrefix", "al"]]]])", true},
        // "and" and "or" pass over sub-rules with errors.
        {R"(["and", ["contains", "CFBundleName"], ["contains", 5]])", true},
        {R"(["!", ["and", ["contains", "Missing"], ["contains", "CFBundleName"]]])", true},
    };
    PlistValue info = parsed(kInfoPlist);
    for (const auto& [rule, expected] : cases)
        EXPECT_EQ(CDValidator::testPlist(info, parsed(rule)), expected) << rule;
}

// An error never matches, and neither does its negation.
TEST(CDValidator, TreatsMalformedRulesAsErrorsThatNeverMatch) {
    PlistValue info = parsed(kInfoPlist);
    for (const char* rule : {
             R"(["contains", 5])",
             R"(["compare", "Missing", ["=", "x"]])",
             R"(["compare", "CFBundleName", ["=", 5]])",
             R"(["compare", "CFBundleName", ["contains", "o", "1"]])",
             R"(["compare", "Count", ["=", "3"]])",
             R"(["compare", "Types", ["=", "some", ["contains", "."]]])",
             R"(["compare", "Mixed", ["=", [["hasPrefix", "al"], ["hasPrefix", "al"]]]])",
             R"([5, "x"])",
             R"(["and"])",
         }) {
        SCOPED_TRACE(rule);
        EXPECT_TRUE(CDValidator::test(info, parsed(rule), 0).isError());
        EXPECT_FALSE(CDValidator::testPlist(info, parsed(rule)));
        EXPECT_FALSE(CDValidator::testPlist(info, parsed(std::string(R"(["!", )") + rule + "]")));
    }
    for (const char* rule : {R"("contains")", R"({"and": []})", "null"})
        EXPECT_FALSE(CDValidator::testPlist(info, parsed(rule))) << rule;
}

TEST(CDValidator, EndsNestingBeyondItsLimitAsAnError) {
    PlistValue info = parsed(kInfoPlist);
    EXPECT_TRUE(CDValidator::testPlist(info, parsed(negatedTimes(CDValidator::kMaximumDepth))));
    EXPECT_FALSE(
        CDValidator::testPlist(info, parsed(negatedTimes(CDValidator::kMaximumDepth + 2))));
    std::string rule =
        R"(["or", )" + negatedTimes(CDValidator::kMaximumDepth + 2) + R"(, ["contains", "Count"]])";
    EXPECT_TRUE(CDValidator::testPlist(info, parsed(rule)));
}
