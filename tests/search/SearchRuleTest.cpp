#include "search/SearchRule.h"

#include "knowledge/DomainIdentifier.h"
#include "search/KnowledgeBaseTestSupport.h"
#include "shell/PathsGenerator.h"

#include <gtest/gtest.h>

using kb_test::rulesOf;

namespace {

TEST(SearchRule, ExpandsTheHomeFolderAndCutsDeepNesting) {
    const std::string home = PathsGenerator::GetInstance().getHomeDirectory();
    std::string nested;
    for (int level = 0; level < 200; ++level)
        nested = "<rule fdeep=\"1\" fname=\"n\">" + nested + "</rule>";
    auto rules = rulesOf("<rule path=\"~/Library\"/><rule path=\"~Foo\">" + nested + "</rule>");
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[0]->path(), home + "/Library");
    EXPECT_EQ(rules[1]->path(), home + "Foo");
    int depth = 0;
    for (const SearchRule* rule = rules[1].get(); !rule->subRules().empty();
         rule = rule->subRules()[0].get())
        ++depth;
    EXPECT_EQ(depth, SearchRule::kMaximumNesting);
}

// The verdict as "<group>[ keep][ stop][ sys][ <domain>]".
std::string verdictOf(const SearchRuleResult& result) {
    std::string text = std::to_string(result.group());
    text += result.separate() ? "" : " keep";
    text += result.goDeeper() ? "" : " stop";
    text += result.isSystemItem() ? " sys" : "";
    if (result.domainIdentifier())
        text += " " + result.domainIdentifier()->uniqueIdentifier();
    return text;
}

TEST(SearchRule, FiltersDecideInDocumentOrder) {
    struct Case {
        const char* filters;
        const char* name;
        const char* kind; // d: folder, p: package, b: backup
        std::int64_t deep;
        const char* verdict;
    };
    const Case cases[] = {
        {R"(<f type="folder" namePrefix="com." group="caches"/>)", "com.a", "", 1, "-1"},
        {R"(<f type="folder" group="caches"/>)", "Thing.app", "dp", 1, "-1"},
        {R"(<f type="folder" group="caches"/>)", "Backup", "db", 1, "-1"},
        {R"(<f type="package" group="caches"/>)", "plain", "d", 1, "-1"},
        {R"(<f type="file" nameSuffix=".plist" group="preferences"/>)", "a.plist", "", 2, "10"},
        // Names compare as a case-insensitive file system would.
        {R"(<f name="Exact" group="logs"/>)", "exact", "", 1, "11"},
        {R"(<f type="file" nameSuffix=".PLIST" group="preferences"/>)", "Straße.plist", "", 1,
         "10"},
        {R"(<f namePrefix="STRASSE" group="caches"/>)", "straße.db", "", 1, "8"},
        {R"(<f deep="2" group="logs" goDeeper="no"/>)", "x", "d", 2, "11 stop"},
        {R"(<f namePrefix="com." group="caches"/><f name="com.keep" separate="no"/>)", "com.keep",
         "d", 1, "8 keep"},
        {R"(<f name="com.keep" separate="no"/><f namePrefix="com." group="caches" separate="yes"/>)",
         "com.keep", "d", 1, "8"},
        {R"(<f name="x" group="caches" isSystem="yes"/><f name="x" group="nonsense"/>)", "x", "", 1,
         "8 sys"},
        {R"(<f name="mine" domain="com.owner" group="logs"/>)", "mine", "", 1, "11 bi:com.owner"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.filters) + " " + c.name);
        auto rules = rulesOf(std::string("<rule path=\"/r\">") + c.filters + "</rule>");
        ASSERT_EQ(rules.size(), 1u);
        SearchRuleResult result(rules[0]->filters());
        const std::string kind = c.kind;
        result.setEntry(c.name, kind.find('d') != std::string::npos,
                        kind.find('p') != std::string::npos, kind.find('b') != std::string::npos,
                        c.deep);
        EXPECT_EQ(verdictOf(result), c.verdict);
        // Nothing of the verdict carries over to an entry that no filter meets.
        result.setEntry("unmatched", false, false, false, 1);
        EXPECT_EQ(verdictOf(result), "-1");
    }
}

} // namespace
