#include "search/SearchRule.h"

#include "knowledge/KBXMLDocument.h"
#include "knowledge/KBXMLRule.h"
#include "shell/PathsGenerator.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::shared_ptr<SearchRule>> rulesOf(const std::string& rules) {
    std::vector<std::shared_ptr<SearchRule>> built;
    auto document = KBXMLDocument::create("<base><rules>" + rules + "</rules></base>");
    if (!document || !document->rules())
        return built;
    document->rules()->iterateRules(
        [&](const KBXMLRule& rule) { built.push_back(SearchRule::create(rule)); });
    return built;
}

std::string home() {
    return PathsGenerator::GetInstance().getHomeDirectory();
}

TEST(SearchRule, BuildsPathsDepthsFiltersAndValidSubRules) {
    auto rules = rulesOf(R"(
        <rule path="~/Library/Caches" deep="1"><f type="folder" namePrefix="com.example." group="caches"/></rule>
        <rule path="~Foo"/>
        <rule path="/Library">
          <rule fdeep="2" fname="Data" deep="3"><f group="logs"/><rule fdeep="1" fname="x"/></rule>
          <rule fdeep="0" fname="zero"/>
          <rule fdeep="1"/>
        </rule>)");
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0]->path(), home() + "/Library/Caches");
    EXPECT_FALSE(rules[0]->isRootPath());
    EXPECT_EQ(rules[0]->deep(), 1);
    ASSERT_EQ(rules[0]->filters().size(), 1u);
    EXPECT_EQ(rules[0]->filters()[0]->type, SearchRuleFilter::kFolderType);
    EXPECT_EQ(rules[0]->filters()[0]->group, 8);

    EXPECT_EQ(rules[1]->path(), home() + "Foo");

    EXPECT_TRUE(rules[2]->isRootPath());
    EXPECT_EQ(rules[2]->deep(), -1);
    ASSERT_EQ(rules[2]->subRules().size(), 1u);
    auto sub = rules[2]->subRules()[0];
    EXPECT_EQ(sub->fDeep(), 2);
    EXPECT_EQ(sub->deep(), 3);
    EXPECT_EQ(sub->filters().size(), 1u);
    EXPECT_EQ(sub->subRules().size(), 1u);
    EXPECT_TRUE(sub->canStartSubSearchForFileItem("data", 2));
    EXPECT_FALSE(sub->canStartSubSearchForFileItem("data", 1));
    EXPECT_FALSE(sub->canStartSubSearchForFileItem("Database", 2));
    sub->setRulePath("/Library/a/data");
    EXPECT_EQ(sub->path(), "/Library/a/data");
}

TEST(SearchRule, DeepNestingOfSubRulesIsCut) {
    std::string nested;
    for (int level = 0; level < 200; ++level)
        nested += "<rule fdeep=\"1\" fname=\"n\">";
    for (int level = 0; level < 200; ++level)
        nested += "</rule>";
    auto rules = rulesOf("<rule path=\"/x\">" + nested + "</rule>");
    ASSERT_EQ(rules.size(), 1u);
    int depth = 0;
    for (const SearchRule* rule = rules[0].get(); !rule->subRules().empty();
         rule = rule->subRules()[0].get())
        ++depth;
    EXPECT_EQ(depth, SearchRule::kMaximumNesting);
}

struct Entry {
    std::string name;
    bool isDir;
    bool isPackage;
    bool isBackup;
    std::int64_t deep;
};

TEST(SearchRule, FiltersDecideInDocumentOrder) {
    struct Case {
        std::string filters;
        Entry entry;
        std::int32_t group;
        bool separate;
        bool goDeeper;
        bool isSystemItem;
    };
    const std::vector<Case> cases = {
        {R"(<f type="folder" namePrefix="com.example." group="caches"/>)",
         {"com.example.app", true, false, false, 1},
         8,
         true,
         true,
         false},
        {R"(<f type="folder" namePrefix="com.example." group="caches"/>)",
         {"com.example.app", false, false, false, 1},
         -1,
         true,
         true,
         false},
        {R"(<f type="folder" group="caches"/>)",
         {"Thing.app", true, true, false, 1},
         -1,
         true,
         true,
         false},
        {R"(<f type="folder" group="caches"/>)",
         {"Backup", true, false, true, 1},
         -1,
         true,
         true,
         false},
        {R"(<f type="package" group="caches"/>)",
         {"Thing.app", true, true, false, 1},
         8,
         true,
         true,
         false},
        {R"(<f type="package" group="caches"/>)",
         {"plain", true, false, false, 1},
         -1,
         true,
         true,
         false},
        {R"(<f type="file" nameSuffix=".plist" group="preferences"/>)",
         {"a.plist", false, false, false, 2},
         10,
         true,
         true,
         false},
        {R"(<f name="Exact" group="logs"/>)",
         {"exact", false, false, false, 1},
         -1,
         true,
         true,
         false},
        {R"(<f deep="0" group="logs"/>)", {"x", false, false, false, 1}, -1, true, true, false},
        {R"(<f deep="2" group="logs" goDeeper="no"/>)",
         {"x", true, false, false, 2},
         11,
         true,
         false,
         false},
        {R"(<f namePrefix="com.example." group="caches"/><f name="com.example.keep" separate="no"/>)",
         {"com.example.keep", true, false, false, 1},
         8,
         false,
         true,
         false},
        {R"(<f name="com.example.keep" separate="no"/><f namePrefix="com.example." group="caches" separate="yes"/>)",
         {"com.example.keep", true, false, false, 1},
         8,
         true,
         true,
         false},
        {R"(<f group="caches" isSystem="yes"/><f group="nonsense"/>)",
         {"x", false, false, false, 1},
         8,
         true,
         true,
         true},
    };
    for (const Case& c : cases) {
        auto rules = rulesOf("<rule path=\"/r\">" + c.filters + "</rule>");
        ASSERT_EQ(rules.size(), 1u) << c.filters;
        SearchRuleResult& result = rules[0]->result();
        result.setEntry(c.entry.name, c.entry.isDir, c.entry.isPackage, c.entry.isBackup,
                        c.entry.deep);
        EXPECT_EQ(result.group(), c.group) << c.filters << " " << c.entry.name;
        EXPECT_EQ(result.separate(), c.separate) << c.filters << " " << c.entry.name;
        EXPECT_EQ(result.goDeeper(), c.goDeeper) << c.filters << " " << c.entry.name;
        EXPECT_EQ(result.isSystemItem(), c.isSystemItem) << c.filters << " " << c.entry.name;
    }
}

TEST(SearchRule, DomainOverrideAndResetBetweenEntries) {
    auto rules =
        rulesOf(R"(<rule path="/r"><f name="mine" domain="com.owner" group="logs"/></rule>)");
    SearchRuleResult& result = rules[0]->result();
    result.setEntry("mine", false, false, false, 1);
    ASSERT_NE(result.domainIdentifier(), nullptr);
    EXPECT_EQ(result.domainIdentifier()->uniqueIdentifier(), "bi:com.owner");
    result.setEntry("other", false, false, false, 1);
    EXPECT_EQ(result.domainIdentifier(), nullptr);
    EXPECT_EQ(result.group(), -1);
}

} // namespace
