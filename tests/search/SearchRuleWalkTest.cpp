#include "knowledge/DomainIdentifier.h"
#include "knowledge/KBXMLDocument.h"
#include "knowledge/KBXMLRule.h"
#include "knowledge/MutableSystemSkipList.h"
#include "search/DepFileItem.h"
#include "search/FileItem.h"
#include "search/RemainsTestSupport.h"
#include "search/SearchRule.h"
#include "search/SearchRuleSeparator.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace testing_support;
using remains_test::putFile;

namespace {

std::shared_ptr<SearchRule> ruleOf(const std::string& xml) {
    std::shared_ptr<SearchRule> built;
    auto document = KBXMLDocument::create("<base><rules>" + xml + "</rules></base>");
    if (document && document->rules())
        document->rules()->iterateRules(
            [&](const KBXMLRule& rule) { built = built ? built : SearchRule::create(rule); });
    return built;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Writes down every offer as "<kind> <path below base> <group> [<domain>] [< parent]",
// accepting everything except the names in `refused`.
class RecordingSeparator : public SearchRuleSeparator {
public:
    explicit RecordingSeparator(std::string base, std::set<std::string> refused = {})
        : m_base(std::move(base) + "/"), m_refused(std::move(refused)) {}

    std::vector<std::string> offers;
    std::vector<std::string> trees;

    void saveFileItemsTree(const std::shared_ptr<FileItem>& root) override {
        trees.push_back(relative(root->buildFullPath()));
    }
    bool addSystemDepItem(const std::shared_ptr<DepFileItem>& item) override {
        return offer("sys", item, "");
    }
    bool
    addDepItemToDomainIdentifier(const std::shared_ptr<DepFileItem>& item,
                                 const std::shared_ptr<const DomainIdentifier>& domain) override {
        return offer("dom", item, " " + domain->uniqueIdentifier());
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
        return !m_refused.contains(item->getFileItem()->getNameWithExt());
    }
    std::string relative(const std::string& path) const {
        return path.starts_with(m_base) ? path.substr(m_base.size()) : path;
    }

    std::string m_base;
    std::set<std::string> m_refused;
};

std::vector<std::string> sorted(std::vector<std::string> list) {
    std::sort(list.begin(), list.end());
    return list;
}

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
    };
    const std::vector<Case> cases = {
        {R"(<rule path="ROOT" deep="1"><f type="folder" namePrefix="com.example." group="caches"/></rule>)",
         {},
         {"dep r/com.example.a 8", "dep r/com.example.keep 8"}},
        // Without a depth the whole tree is walked, but never the inside of a package.
        {R"(<rule path="ROOT"><f type="folder" namePrefix="com.example." group="caches"/></rule>)",
         {},
         {"dep r/com.example.a 8", "dep r/com.example.keep 8", "dep r/other/deep/com.example.b 8"}},
        {R"(<rule path="ROOT"><f type="file" namePrefix="com.example." group="caches"/></rule>)",
         {},
         {"dep r/com.example.file 8"}},
        {R"(<rule path="ROOT"><f type="package" group="binaries"/></rule>)",
         {},
         {"dep r/Thing.app 0"}},
        // The rule's own folder is never classified.
        {R"(<rule path="ROOT"><f deep="0" group="logs"/></rule>)", {}, {}},
        {R"(<rule path="ROOT"><f deep="3" group="logs"/></rule>)",
         {},
         {"dep r/other/deep/com.example.b 11"}},
        // A later filter overrides an earlier one.
        {R"(<rule path="ROOT" deep="1"><f namePrefix="com.example." group="caches"/><f name="com.example.keep" separate="no"/></rule>)",
         {},
         {"dep r/com.example.a 8", "dep r/com.example.file 8"}},
        {R"(<rule path="ROOT" deep="1"><f name="com.example.keep" separate="no"/><f namePrefix="com.example." group="caches" separate="yes"/></rule>)",
         {},
         {"dep r/com.example.a 8", "dep r/com.example.file 8", "dep r/com.example.keep 8"}},
        {R"(<rule path="ROOT"><f name="other" goDeeper="no"/><f namePrefix="com.example.b" group="caches"/></rule>)",
         {},
         {}},
        {R"(<rule path="ROOT" deep="1"><f name="com.example.a" isSystem="yes" group="caches"/><f name="com.example.keep" domain="com.owner" group="logs"/></rule>)",
         {},
         {"sys r/com.example.a 8", "dom r/com.example.keep 11 bi:com.owner"}},
        // An accepted item is the parent of the items below it; a refused one is not.
        {R"(<rule path="ROOT/other"><f group="logs"/></rule>)",
         {},
         {"dep r/other/deep 11", "dep r/other/deep/com.example.b 11 < r/other/deep",
          "dep r/other/deep/com.example.b/log.txt 11 < r/other/deep/com.example.b"}},
        {R"(<rule path="ROOT/other"><f group="logs"/></rule>)",
         {"deep"},
         {"dep r/other/deep 11", "dep r/other/deep/com.example.b 11",
          "dep r/other/deep/com.example.b/log.txt 11 < r/other/deep/com.example.b"}},
        {R"(<rule path="ROOT/missing"><f group="logs"/></rule>)", {}, {}},
        {R"(<rule path="relative/ROOT"><f group="logs"/></rule>)", {}, {}},
    };
    const std::string base = makeFixture();
    for (const Case& c : cases) {
        std::string xml = c.rule;
        replaceAll(xml, "ROOT", base + "/r");
        auto rule = ruleOf(xml);
        ASSERT_NE(rule, nullptr) << c.rule;
        auto separator = std::make_shared<RecordingSeparator>(base, c.refused);
        rule->findDependenciesForSeparator(separator, nullptr);
        EXPECT_EQ(sorted(separator->offers), sorted(c.offers)) << c.rule;
        EXPECT_EQ(rule->separator(), nullptr);
    }
}

TEST(SearchRuleWalk, SkipListLeavesOutTheRuleFolderOrPartsOfIt) {
    const std::string base = makeFixture();
    auto rule = ruleOf("<rule path=\"" + base +
                       "/r\"><f namePrefix=\"com.example.\" group=\"caches\"/></rule>");
    MutableSystemSkipList skipList;
    skipList.addPath(base + "/r/other");
    auto separator = std::make_shared<RecordingSeparator>(base);
    rule->findDependenciesForSeparator(separator, &skipList);
    EXPECT_EQ(sorted(separator->offers),
              (std::vector<std::string>{"dep r/com.example.a 8", "dep r/com.example.file 8",
                                        "dep r/com.example.keep 8"}));
    EXPECT_EQ(separator->trees, std::vector<std::string>{"r"});

    skipList.addPath(base + "/r");
    separator = std::make_shared<RecordingSeparator>(base);
    rule->findDependenciesForSeparator(separator, &skipList);
    EXPECT_TRUE(separator->offers.empty());
    EXPECT_TRUE(separator->trees.empty());
}

TEST(SearchRuleWalk, SubRulesStartAfterTheEntrysSubtreeWithoutParentItem) {
    const std::string base = Sandbox::process().makeFolder("sub");
    putFile(base + "/r/a/data/x.log", "x");
    putFile(base + "/r/a/data/sub/y", "y");
    putFile(base + "/r/b/c/data/z", "z"); // named Data, but too deep for the sub-rules
    auto rule = ruleOf("<rule path=\"" + base +
                       R"(/r"><f name="a" group="caches"/><f name="x.log" group="caches"/>
        <rule fdeep="2" fname="Data"><f group="logs"/></rule>
        <rule fdeep="2" fname="DATA" deep="1"><f name="sub" group="preferences"/></rule></rule>)");
    ASSERT_NE(rule, nullptr);
    ASSERT_EQ(rule->subRules().size(), 2u);

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
    EXPECT_EQ(rule->separator(), nullptr);
    EXPECT_EQ(rule->subRules()[0]->separator(), nullptr);
}

TEST(SearchRuleWalk, HomeFolderIsJoinedWithoutSeparator) {
    const std::string joined = Sandbox::process().home() + "kbwalk";
    putFile(joined + "/com.example.joined", "j");
    auto rule = ruleOf(R"(<rule path="~kbwalk"><f group="caches"/></rule>)");
    auto separator = std::make_shared<RecordingSeparator>(Sandbox::process().base());
    rule->findDependenciesForSeparator(separator, nullptr);
    EXPECT_EQ(separator->offers, std::vector<std::string>{"dep homekbwalk/com.example.joined 8"});
    removeTree(joined);
}

// Counts offers without building paths, which would cost the square of the depth.
class CountingSeparator : public SearchRuleSeparator {
public:
    std::size_t offers{0};
    std::size_t withParent{0};
    void saveFileItemsTree(const std::shared_ptr<FileItem>&) override {}
    bool addSystemDepItem(const std::shared_ptr<DepFileItem>&) override { return true; }
    bool addDepItemToDomainIdentifier(const std::shared_ptr<DepFileItem>&,
                                      const std::shared_ptr<const DomainIdentifier>&) override {
        return true;
    }
    bool addDepItemWithParentDepItem(const std::shared_ptr<DepFileItem>&,
                                     const std::shared_ptr<DepFileItem>& parent) override {
        ++offers;
        withParent += parent ? 1 : 0;
        return true;
    }
};

// Removes the chain base/d/d/... of `levels` folders, which is too deep for path-based
// removal, deepest first with at most kWindow folders open at a time.
void removeChain(const std::string& base, int levels) {
    constexpr int kWindow = 256;
    for (int remaining = levels; remaining > 0;) {
        const int start = std::max(0, remaining - kWindow);
        // The folders from level `start` to the one above the deepest left.
        std::vector<int> folders{open(base.c_str(), O_RDONLY | O_DIRECTORY)};
        for (int level = 1; level < remaining; ++level) {
            ASSERT_GE(folders.back(), 0) << level;
            int next = openat(folders.back(), "d", O_RDONLY | O_DIRECTORY);
            if (level <= start) {
                close(folders.back());
                folders.back() = next;
            } else {
                folders.push_back(next);
            }
        }
        for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
            EXPECT_EQ(unlinkat(*folder, "d", AT_REMOVEDIR), 0);
            close(*folder);
        }
        remaining = start;
    }
}

TEST(SearchRuleWalk, AChainTenThousandFoldersDeepIsWalkedToTheBottom) {
    constexpr int kLevels = 10000;
    const std::string base = Sandbox::process().makeFolder("chain");
    // Paths this long exceed what the kernel takes at once, so the chain is made one
    // level at a time relative to open folders.
    int fd = open(base.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < kLevels; ++level) {
        ASSERT_EQ(mkdirat(fd, "d", 0700), 0) << level;
        int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
        close(fd);
        ASSERT_GE(next, 0) << level;
        fd = next;
    }
    close(fd);

    auto rule = ruleOf("<rule path=\"" + base + "\"><f name=\"d\" group=\"caches\"/></rule>");
    auto separator = std::make_shared<CountingSeparator>();
    rule->findDependenciesForSeparator(separator, nullptr);
    EXPECT_EQ(separator->offers, static_cast<std::size_t>(kLevels));
    EXPECT_EQ(separator->withParent, static_cast<std::size_t>(kLevels - 1));

    removeChain(base, kLevels);
}

} // namespace
