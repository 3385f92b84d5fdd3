#include "knowledge/CDValidator.h"

#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/DomainChildIdentifier.h"
#include "knowledge/DomainCustomIdentifier.h"
#include "knowledge/KnowledgeRecordCustomDomainDefinition.h"
#include "platform/Json.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using platform::Json;
using platform::PlistValue;

namespace {

const char* const kInfoPlist = R"({
    "CFBundleName": "Foo Tool",
    "CFBundleVersion": "10.2",
    "Greeting": "Straße",
    "Emoji": "😀ab",
    "Count": 3,
    "Ratio": 2.5,
    "Enabled": true,
    "Big": 9007199254740993,
    "Nothing": null,
    "Empty": [],
    "Types": ["public.text", "public.image", "com.foo.doc"],
    "Mixed": ["alpha", 1],
    "Nested": {"Inner": {"Deep": "yes"}}
})";

PlistValue parsed(const std::string& json) {
    auto value = Json::parse(json);
    EXPECT_TRUE(value) << json;
    return value.value_or(PlistValue());
}

struct RuleCase {
    const char* rule;
    bool expected;
};

// Runs every rule against the Info.plist above. Rules that must be errors are checked
// through "!" as well, which would turn a plain false into true.
void expectRules(const std::vector<RuleCase>& cases) {
    PlistValue info = parsed(kInfoPlist);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        EXPECT_EQ(CDValidator::testPlist(info, parsed(c.rule)), c.expected);
    }
}

void expectErrors(const std::vector<const char*>& rules) {
    PlistValue info = parsed(kInfoPlist);
    for (const char* rule : rules) {
        SCOPED_TRACE(rule);
        PlistValue parsedRule = parsed(rule);
        EXPECT_TRUE(CDValidator::test(info, parsedRule, 0).isError());
        EXPECT_FALSE(CDValidator::testPlist(info, parsedRule));
        EXPECT_FALSE(CDValidator::testPlist(info, parsed(std::string(R"(["!", )") + rule + "]")));
    }
}

// `depth` rules "!" around a rule that is true.
std::string negatedTimes(int depth) {
    std::string rule = R"(["contains", "CFBundleName"])";
    for (int i = 0; i < depth; ++i)
        rule = R"(["!", )" + rule + "]";
    return rule;
}

} // namespace

TEST(CDValidator, TestsTheKeysAndValuesOfADictionary) {
    expectRules({
        {R"(["contains", "CFBundleName"])", true},
        {R"(["contains", "Missing"])", false},
        {R"(["contains", "Nothing"])", true},
        {R"(["excludes", "Missing"])", true},
        {R"(["excludes", "Count"])", false},
        {R"(["compare", "CFBundleName", ["=", "Foo Tool"]])", true},
        {R"(["compare", "Nested", ["compare", "Inner", ["compare", "Deep", ["=", "yes"]]]])", true},
        {R"(["compare", "Nested", ["compare", "Inner", ["excludes", "Deep"]]])", false},
    });
}

TEST(CDValidator, ComparesStringsExactlyExceptForContains) {
    expectRules({
        {R"(["compare", "CFBundleName", ["=", "foo tool"]])", false},
        {R"(["compare", "CFBundleName", ["hasPrefix", "Foo"]])", true},
        {R"(["compare", "CFBundleName", ["hasPrefix", "foo"]])", false},
        {R"(["compare", "CFBundleName", ["hasPrefix", ""]])", false},
        {R"(["compare", "CFBundleName", ["hasSuffix", "Tool"]])", true},
        {R"(["compare", "CFBundleName", ["hasSuffix", "tool"]])", false},
        {R"(["compare", "CFBundleName", ["contains", "o TOOL"]])", true},
        {R"(["compare", "Greeting", ["contains", "STRASSE"]])", true},
        {R"(["compare", "CFBundleName", ["contains", ""]])", false},
        {R"(["compare", "CFBundleName", ["regexp", "^Foo\\s+T"]])", true},
        {R"(["compare", "CFBundleName", ["regexp", "^foo"]])", false},
        {R"(["compare", "CFBundleVersion", ["regexp", "0\\.2"]])", true},
    });
}

TEST(CDValidator, StartsContainsAtACharacterOffset) {
    expectRules({
        {R"(["compare", "CFBundleName", ["contains", "tool", 4]])", true},
        {R"(["compare", "CFBundleName", ["contains", "foo", 1]])", false},
        {R"(["compare", "CFBundleName", ["contains", "l", 7]])", true},
        {R"(["compare", "CFBundleName", ["contains", "l", 7.9]])", true},
        {R"(["compare", "CFBundleName", ["contains", "l", 8]])", false},
        {R"(["compare", "CFBundleName", ["contains", "l", -1]])", false},
        // The emoji takes two units, as in the platform's strings.
        {R"(["compare", "Emoji", ["contains", "ab", 2]])", true},
        {R"(["compare", "Emoji", ["contains", "a", 3]])", false},
        {R"(["compare", "Emoji", ["contains", "😀", 1]])", false},
        {R"(["compare", "Emoji", ["contains", "b", 4]])", false},
    });
}

TEST(CDValidator, ComparesNumbersByValue) {
    expectRules({
        {R"(["compare", "Count", ["=", 3]])", true},
        {R"(["compare", "Count", ["=", 3.0]])", true},
        {R"(["compare", "Count", ["<", 4]])", true},
        {R"(["compare", "Count", [">", 4]])", false},
        {R"(["compare", "Count", [">", 2.5]])", true},
        {R"(["compare", "Ratio", ["<", 3]])", true},
        {R"(["compare", "Ratio", ["=", 2.5]])", true},
        {R"(["compare", "Ratio", [">", 2]])", true},
        {R"(["compare", "Enabled", ["=", 1]])", true},
        {R"(["compare", "Enabled", ["=", true]])", true},
        {R"(["compare", "Enabled", ["<", false]])", false},
        {R"(["compare", "Big", [">", 9007199254740992.0]])", true},
        {R"(["compare", "Big", ["=", 9007199254740992.0]])", false},
    });
}

TEST(CDValidator, MatchesArraysElementByElementOrByCount) {
    expectRules({
        {R"(["compare", "Types", ["=", [["hasPrefix", "public."], ["hasPrefix", "public."],
                                        ["hasSuffix", "doc"]]]])",
         true},
        {R"(["compare", "Types", ["=", [["hasPrefix", "public."], ["hasPrefix", "public."]]]])",
         false},
        {R"(["compare", "Types", ["=", [["=", "public.text"], ["=", "x"], ["=", "com.foo.doc"]]]])",
         false},
        {R"(["compare", "Empty", ["=", []]])", true},
        {R"(["compare", "Types", ["=", 2, ["hasPrefix", "public."]]])", true},
        {R"(["compare", "Types", ["=", 3, ["hasPrefix", "public."]]])", false},
        {R"(["compare", "Types", ["=", -1, ["hasPrefix", "public."]]])", true},
        {R"(["compare", "Types", ["=", -3, ["contains", "."]]])", false},
        {R"(["compare", "Types", ["=", 0, ["contains", "."]]])", false},
        {R"(["compare", "Types", ["=", "all", ["contains", "."]]])", true},
        {R"(["compare", "Types", ["=", "all", ["hasPrefix", "public."]]])", false},
        {R"(["compare", "Empty", ["=", "all", ["contains", "."]]])", false},
        {R"(["compare", "Empty", ["=", -1, ["contains", "."]]])", false},
        // In the counting forms an element that cannot be tested simply does not count.
        {R"(["compare", "Mixed", ["=", 1, ["hasPrefix", "al"]]])", true},
        {R"(["compare", "Mixed", ["=", 2, ["hasPrefix", "al"]]])", false},
        {R"(["!", ["compare", "Mixed", ["=", "all", ["hasPrefix", "al"]]]])", true},
    });
}

TEST(CDValidator, PassesOverSubRulesWithErrorsInsideAndAndOr) {
    expectRules({
        {R"(["and", ["contains", "CFBundleName"], ["contains", 5]])", true},
        {R"(["and", ["contains", "Missing"], ["contains", 5]])", false},
        {R"(["or", ["contains", 5], ["contains", "CFBundleName"]])", true},
        {R"(["or", ["contains", "Missing"], ["contains", 5]])", false},
        {R"(["!", ["or", ["contains", "Missing"], ["contains", 5]]])", true},
        {R"(["!", ["and", ["contains", "Missing"], ["contains", "CFBundleName"]]])", true},
    });
}

TEST(CDValidator, TreatsMalformedRulesAsErrorsThatNeverMatch) {
    expectErrors({
        // operands missing or of the wrong kind
        R"(["contains", 5])",
        R"(["contains"])",
        R"(["compare", "Missing", ["=", "x"]])",
        R"(["compare", "CFBundleName"])",
        R"(["compare", "CFBundleName", "="])",
        R"(["compare", "CFBundleName", ["="]])",
        R"(["compare", "CFBundleName", ["=", 5]])",
        R"(["compare", "CFBundleName", ["contains", "o", "1"]])",
        R"(["compare", "CFBundleName", ["regexp", "("]])",
        R"(["compare", "Count", ["=", "3"]])",
        R"(["compare", "Types", ["=", "some", ["contains", "."]]])",
        R"(["compare", "Types", ["=", 2]])",
        R"(["compare", "Types", ["=", "all", "contains"]])",
        R"(["compare", "Mixed", ["=", [["hasPrefix", "al"], ["hasPrefix", "al"]]]])",
        // actions that the object's kind does not have, and objects of no kind
        R"(["=", "x"])",
        R"(["hasPrefix", "x"])",
        R"(["compare", "CFBundleName", ["<", "x"]])",
        R"(["compare", "Count", ["contains", "3"]])",
        R"(["compare", "Types", ["contains", "x"]])",
        R"(["compare", "Nothing", ["=", "x"]])",
        R"(["unknown", "x"])",
        R"(["frobnicate"])",
        R"([5, "x"])",
        R"([])",
        // logical rules without sub-rules, with operands that are no rules, or where no
        // sub-rule gives a result
        R"(["and"])",
        R"(["or"])",
        R"(["!"])",
        R"(["!", "contains"])",
        R"(["and", ["contains", "CFBundleName"], 5])",
        R"(["or", "x", ["contains", "CFBundleName"]])",
        R"(["or", ["contains", 5]])",
        R"(["and", ["contains", 5], ["excludes"]])",
    });
}

TEST(CDValidator, AnswersFalseForRulesThatAreNoArrays) {
    PlistValue info = parsed(kInfoPlist);
    for (const char* rule : {R"("contains")", R"({"and": []})", "5", "null", "true"})
        EXPECT_FALSE(CDValidator::testPlist(info, parsed(rule))) << rule;
}

TEST(CDValidator, EndsNestingBeyondItsLimitAsAnError) {
    PlistValue info = parsed(kInfoPlist);
    EXPECT_TRUE(CDValidator::testPlist(info, parsed(negatedTimes(CDValidator::kMaximumDepth))));
    EXPECT_FALSE(
        CDValidator::testPlist(info, parsed(negatedTimes(CDValidator::kMaximumDepth + 2))));
    EXPECT_FALSE(CDValidator::testPlist(info, parsed(negatedTimes(500))));

    // Too deep is an error like any other: "or" passes over it.
    std::string rule =
        R"(["or", )" + negatedTimes(CDValidator::kMaximumDepth + 2) + R"(, ["contains", "Count"]])";
    EXPECT_TRUE(CDValidator::testPlist(info, parsed(rule)));
}

TEST(KnowledgeRecordCustomDomainDefinition, NeedsACustomIdentifierAndAJsonArray) {
    auto custom = DomainCustomIdentifier::create("Tool");
    struct Case {
        std::shared_ptr<const DomainIdentifier> identifier;
        const char* json;
        bool created;
    };
    const std::vector<Case> cases{
        {custom, R"(["contains", "CFBundleName"])", true},
        {custom, " [ ] ", true},
        {custom, R"({"contains": "CFBundleName"})", false},
        {custom, R"("contains")", false},
        {custom, "5", false},
        {custom, "", false},
        {custom, R"(["contains", )", false},
        {custom, R"(["contains"] x)", false},
        {DomainBundleIdentifier::create("com.tool"), "[]", false},
        {DomainGroupIdentifier::create("Tool"), "[]", false},
        {DomainChildIdentifier::create(custom, DomainGroupIdentifier::create("g")), "[]", false},
        {nullptr, "[]", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        auto definition = KnowledgeRecordCustomDomainDefinition::create(c.identifier, c.json);
        ASSERT_EQ(definition != nullptr, c.created);
        if (!definition)
            continue;
        EXPECT_EQ(definition->domainIdentifier()->uniqueIdentifier(), "c:tool");
        EXPECT_EQ(definition->test(), parsed(c.json));
    }
}
