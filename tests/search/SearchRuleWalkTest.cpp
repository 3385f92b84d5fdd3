#include "knowledge/DomainIdentifier.h"
#include "knowledge/MutableSystemSkipList.h"
#include "search/FileItem.h"
#include "search/KnowledgeBaseTestSupport.h"
#include "search/SearchRule.h"
#include "search/SearchRuleSeparator.h"

#include <gtest/gtest.h>
#include <set>

using namespace testing_support;
using kb_test::sorted;
using kb_test::withRoot;
using remains_test::putFile;

namespace {

std::shared_ptr<SearchRule> ruleOf(const std::string& xml) {
    auto rules = kb_test::rulesOf(xml);
    return rules.empty() ? nullptr : rules.front();
}

// Writes down every offer as "<kind> <path below base> <group> [<domain>] [< parent]",
// accepting and keeping everything except the names in `refused`.
class RecordingSeparator : public SearchRuleSeparator {
public:
    explicit RecordingSeparator(std::string base, std::set<std::string> refused = {})
        : m_base(std::move(base) + "/"), m_refused(std::move(refused)) {}

    std::vector<std::string> offers;
    std::vector<std::string> trees;
    std::vector<std::shared_ptr<FileItem>> roots;
    std::vector<std::shared_ptr<DepFileItem>> kept;

    void saveFileItemsTree(const std::shared_ptr<FileItem>& root) override {
        trees.push_back(relative(root->buildFullPath()));
        roots.push_back(root);
    }
    std::size_t keptItemCount() const override { return kept.size(); }
    bool addSystemDepItem(const std::shared_ptr<DepFileItem>& item) override {
        return offer("sys", item, "");
    }
    bool addDepItemToDomainIdentifier(const std::shared_ptr<DepFileItem>& item,
                                      const std::shared_ptr<const DomainIdentifier>& id) override {
        return offer("dom", item, " " + id->uniqueIdentifier());
    }
    bool addDepItemWithParentDepItem(const std::shared_ptr<DepFileItem>& item,
                                     const std::shared_ptr<DepFileItem>& parent) override {
        return offer("dep", item, parent ? " < " + relative(parent->getPath()) : "");
    }

private:
    bool offer(const std::string& kind, const std::shared_ptr<DepFileItem>& item,
               const std::string& extra) {
        offers.push_back(kind + " " + relative(item->getPath()) + " " +
                         std::to_string(item->getGroupType()) + extra);
        if (m_refused.contains(item->getFileItem()->getNameWithExt()))
            return false;
        kept.push_back(item);
        return true;
    }
    std::string relative(const std::string& path) const {
        return path.starts_with(m_base) ? path.substr(m_base.size()) : path;
    }

    std::string m_base;
    std::set<std::string> m_refused;
};

// base/r is the folder the rules walk.
std::string makeFixture() {
    const std::string base = Sandbox::process().makeFolder("walk");
    const std::string root = base + "/r";
    for (const char* folder : {"com.example.a/inner", "com.example.keep",
                               "other/deep/com.example.b", "Thing.app/Contents/com.example.c"})
        makeDirs(root + "/" + folder);
    putFile(root + "/com.example.file", "f");
    putFile(root + "/other/deep/com.example.b/log.txt", "l");
    return base;
}

TEST(SearchRuleWalk, ClassifiesTheEntriesOfARealFolder) {
    struct Case {
        const char* rule; // ROOT stands for the fixture's folder
        std::set<std::string> refused;
        std::vector<std::string> offers;
        std::vector<std::string> skipped{}; // below the fixture's folder
    };
    // clang-format off
    const std::vector<Case> cases = {
        {R"(<rule path="ROOT" deep="1"><f type="folder" namePrefix="com.example." group="caches"/></rule>)",
         {}, {"dep r/com.example.a 8", "dep r/com.example.keep 8"}},
        // Without a depth the whole tree is walked, but never the inside of a package.
        {R"(<rule path="ROOT"><f type="folder" namePrefix="com.example." group="caches"/></rule>)",
         {}, {"dep r/com.example.a 8", "dep r/com.example.keep 8", "dep r/other/deep/com.example.b 8"}},
        {R"(<rule path="ROOT"><f type="package" group="binaries"/></rule>)", {}, {"dep r/Thing.app 0"}},
        // The rule's own folder is never classified.
        {R"(<rule path="ROOT"><f deep="0" group="logs"/></rule>)", {}, {}},
        {R"(<rule path="ROOT"><f name="other" goDeeper="no"/><f namePrefix="com.example.b" group="caches"/></rule>)",
         {}, {}},
        {R"(<rule path="ROOT" deep="1"><f name="com.example.a" isSystem="yes" group="caches"/><f name="com.example.keep" domain="com.owner" group="logs"/></rule>)",
         {}, {"sys r/com.example.a 8", "dom r/com.example.keep 11 bi:com.owner"}},
        // An accepted item is the parent of the items below it; a refused one is not.
        {R"(<rule path="ROOT/other"><f group="logs"/></rule>)",
         {"deep"}, {"dep r/other/deep 11", "dep r/other/deep/com.example.b 11",
                    "dep r/other/deep/com.example.b/log.txt 11 < r/other/deep/com.example.b"}},
        {R"(<rule path="ROOT"><f namePrefix="com.example." group="caches"/></rule>)",
         {}, {"dep r/com.example.a 8", "dep r/com.example.file 8", "dep r/com.example.keep 8"}, {"other"}},
        {R"(<rule path="ROOT"><f group="caches"/></rule>)", {}, {}, {""}},
        {R"(<rule path="ROOT/missing"><f group="logs"/></rule>)", {}, {}},
        {R"(<rule path="relative/ROOT"><f group="logs"/></rule>)", {}, {}},
    };
    // clang-format on
    const std::string base = makeFixture();
    for (const Case& c : cases) {
        auto rule = ruleOf(withRoot(c.rule, base + "/r"));
        ASSERT_NE(rule, nullptr) << c.rule;
        MutableSystemSkipList skipList;
        for (const std::string& skipped : c.skipped)
            skipList.addPath(base + "/r" + (skipped.empty() ? "" : "/" + skipped));
        auto separator = std::make_shared<RecordingSeparator>(base, c.refused);
        rule->findDependenciesForSeparator(separator, &skipList);
        EXPECT_EQ(sorted(separator->offers), sorted(c.offers)) << c.rule;
    }
}

// Each entry of the rule's folder is walked as soon as it is loaded, and an entry where
// nothing was kept is let go, with what lies below it, before the next entry loads; what
// was kept keeps its folders, and so its path.
TEST(SearchRuleWalk, WhatNothingWasKeptUnderIsLetGoAsTheWalkGoes) {
    const std::string base = Sandbox::process().makeFolder("letgo");
    for (const char* entry : {"a", "b", "c", "d"})
        putFile(base + "/r/" + std::string(entry) + "/deep/er/file", "x");
    putFile(base + "/r/c/deep/keep.log", "k");
    auto rule = ruleOf("<rule path=\"" + base + R"(/r"><f name="keep.log" group="logs"/></rule>)");
    ASSERT_NE(rule, nullptr);

    class Watching : public RecordingSeparator {
    public:
        using RecordingSeparator::RecordingSeparator;
        // Every entry of the folder but the one walked now, at the moment of each offer.
        std::vector<std::string> othersLoaded;
        bool addDepItemWithParentDepItem(const std::shared_ptr<DepFileItem>& item,
                                         const std::shared_ptr<DepFileItem>& parent) override {
            for (const auto& [name, entry] : *roots.at(0)->getChildren()) {
                if (name != "c")
                    othersLoaded.emplace_back(name);
            }
            return RecordingSeparator::addDepItemWithParentDepItem(item, parent);
        }
    };
    auto separator = std::make_shared<Watching>(base);
    rule->findDependenciesForSeparator(separator, nullptr);
    EXPECT_EQ(separator->offers, std::vector<std::string>{"dep r/c/deep/keep.log 11"});
    EXPECT_TRUE(separator->othersLoaded.empty());
    ASSERT_EQ(separator->roots.size(), 1u);
    const auto& entries = *separator->roots[0]->getChildren();
    ASSERT_EQ(entries.size(), 1u);
    const auto& kept = entries.begin()->second;
    EXPECT_EQ(kept->getNameWithExt(), "c");
    ASSERT_NE(kept->getChildren(), nullptr);
    EXPECT_EQ(kept->getChildren()->size(), 1u);
    ASSERT_EQ(separator->kept.size(), 1u);
    EXPECT_EQ(separator->kept[0]->getFileItem()->buildFullPath(), base + "/r/c/deep/keep.log");
    EXPECT_NE(separator->kept[0]->getFileItem()->getParent(), nullptr);

    // A walk whose offers are all refused leaves only its folder, and one offered
    // nothing leaves not even that.
    auto refusing = std::make_shared<RecordingSeparator>(base, std::set<std::string>{"keep.log"});
    rule->findDependenciesForSeparator(refusing, nullptr);
    ASSERT_EQ(refusing->roots.size(), 1u);
    ASSERT_NE(refusing->roots[0]->getChildren(), nullptr);
    EXPECT_TRUE(refusing->roots[0]->getChildren()->empty());
    auto none = ruleOf("<rule path=\"" + base + R"(/r"><f name="absent" group="logs"/></rule>)");
    ASSERT_NE(none, nullptr);
    auto empty = std::make_shared<RecordingSeparator>(base);
    none->findDependenciesForSeparator(empty, nullptr);
    EXPECT_TRUE(empty->roots.empty());
}

TEST(SearchRuleWalk, SubRulesStartAfterTheEntrysSubtreeWithoutParentItem) {
    const std::string base = Sandbox::process().makeFolder("sub");
    putFile(base + "/r/a/data/x.log", "x");
    putFile(base + "/r/a/data/sub/y", "y");
    putFile(base + "/r/b/c/data/z", "z"); // named Data, but too deep for the sub-rules
    auto rule = ruleOf("<rule path=\"" + base +
                       R"(/r"><f name="a" group="caches"/><f name="x.log" group="caches"/>
        <rule fdeep="2" fname="Data"><f group="logs"/></rule>
        <rule fdeep="2" fname="DATA" deep="1"><f name="sub" group="preferences"/></rule>
        <rule fdeep="0" fname="data"/><rule fdeep="2"/></rule>)");
    ASSERT_NE(rule, nullptr);
    ASSERT_EQ(rule->subRules().size(), 2u); // a sub-rule needs a name and a depth above 0

    auto separator = std::make_shared<RecordingSeparator>(base);
    rule->findDependenciesForSeparator(separator, nullptr);
    ASSERT_EQ(separator->offers.size(), 6u);
    // The parent rule's walk first, with "a" as parent of what lies below it...
    EXPECT_EQ(separator->offers[0], "dep r/a 8");
    EXPECT_EQ(separator->offers[1], "dep r/a/data/x.log 8 < r/a");
    // ...then each sub-rule over the entry's own folder, in document order, to its own
    // depth and without a parent item.
    std::vector<std::string> first(separator->offers.begin() + 2, separator->offers.begin() + 5);
    EXPECT_EQ(sorted(first), (std::vector<std::string>{"dep r/a/data/sub 11",
                                                       "dep r/a/data/sub/y 11 < r/a/data/sub",
                                                       "dep r/a/data/x.log 11"}));
    EXPECT_EQ(separator->offers[5], "dep r/a/data/sub 10");
    EXPECT_EQ(separator->trees, (std::vector<std::string>{"r", "r/a/data", "r/a/data"}));
}

} // namespace
