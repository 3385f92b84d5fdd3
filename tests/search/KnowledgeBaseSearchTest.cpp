#include "knowledge/DomainIdentifier.h"
#include "search/FileItem.h"
#include "search/KnowledgeBaseTestSupport.h"

#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

using namespace kb_test;
using remains_test::putFile;
using testing_support::makeDirs;
using testing_support::Sandbox;

namespace {

// The entries of `node`'s tree that lead to no item, as paths; an item's own subtree is
// never looked into. Answers whether `node` is an item or lies above one.
bool leadsToAnItem(FileItem& node, const std::set<const FileItem*>& items,
                   std::vector<std::string>& others) {
    if (items.contains(&node))
        return true;
    bool leads = false;
    if (const FileItem::Children* children = node.getChildren()) {
        for (const auto& [name, child] : *children)
            leads = leadsToAnItem(*child, items, others) || leads;
    }
    if (!leads)
        others.push_back(node.buildFullPath());
    return leads;
}

TEST(KnowledgeBaseSearch, NameTest) {
    const std::string sw = "com.halvorn.Sweepwise";
    const struct {
        std::string name;
        std::optional<std::string> bundleId, bundleName;
        bool belongs;
    } cases[] = {
        {"com.example.foo.savedState", "com.example.foo", "foo", true},
        {"Foo", "", "Foo", false},
        {"Foo", "com.example.foo", std::nullopt, false},
        {sw + "-SIII.plist", sw + "-SIII", "Sweepwise", true},
        {sw + "-SIII.plist", sw, "Sweepwise", false},
        {sw + "-Pro.plist", sw, "Sweepwise", false},
        {sw + "-Pro.plist", "com.halvorn", "Sweepwise", true},
        // The identifier counts only as whole dot-separated parts, in any case.
        {"com.example.foobar.plist", "com.example.foo", "foo", false},
        {"xcom.example.foo", "com.example.foo", "foo", false},
        {"com.example.foo-helper", "com.example.foo", "foo", false},
        {"group.com.example.foo", "com.example.foo", "foo", true},
        {"K3WQ7TZ2PX.com.example.foo", "com.example.foo", "foo", true},
        {"COM.EXAMPLE.FOO.sfl3", "com.example.foo", "foo", true},
        {"com.example.foobar.com.example.foo", "com.example.foo", "x", true},
        // Unicode case folding, not ASCII: "ß" is "ss", "É" is "é".
        {"COM.EXAMPLE.STRASSE.plist", "com.example.straße", "x", true},
        {"éclair", "com.example.eclair", "Éclair", true},
        {"eclair", "com.example.x", "Éclair", false},
        // A team container named after the application.
        {"ABCDE12345.Foo", "com.example.foo", "foo", true},
        {"abcde12345.Foo", "com.example.foo", "foo", false},
        {"ABCDE1234.Foo", "com.example.foo", "foo", false},
        {"ABCDE12345.Foobar", "com.example.foo", "foo", false},
        // After the identifier "_" and a space bound it too; "-" may continue another
        // application's identifier.
        {"com.example.foo_agent.plist", "com.example.foo", "x", true},
        {"com.example.foo 2024-05-01.log", "com.example.foo", "x", true},
        {"com.example.foo-agent.plist", "com.example.foo", "x", false},
        // A component word glued to the identifier, from the short list only.
        {"com.example.fooHelper", "com.example.foo", "x", true},
        {"com.example.foolauncher.plist", "com.example.foo", "x", true},
        {"com.example.fooLaunchAtLoginHelper", "com.example.foo", "x", true},
        {"com.example.fooHelperX", "com.example.foo", "x", false},
        {"com.example.fooBar", "com.example.foo", "x", false},
        {"xcom.example.fooHelper", "com.example.foo", "x", false},
        // One of the names with a component word, a version or an extension.
        {"Quill Pad Helper", "com.example.q", "Quill Pad", true},
        {"Quill PadAgent", "com.example.q", "Quill Pad", true},
        {"Quill Pad Agent.log", "com.example.q", "Quill Pad", true},
        {"quill pad.plist", "com.example.q", "Quill Pad", true},
        {"Quill Pad 5", "com.example.q", "Quill Pad", true},
        {"Quill Pad2024.1", "com.example.q", "Quill Pad", true},
        {"Quill Pad-agent", "com.example.q", "Quill Pad", false},
        {"Quill Pad Pro", "com.example.q", "Quill Pad", false},
        {"Quill Pads.plist", "com.example.q", "Quill Pad", false},
        {"Quill Pad 5.txt", "com.example.q", "Quill Pad", false},
        // Common words are never names of their own.
        {"Helper", "com.example.q", "Quill Pad", false},
        {"Updater.plist", "com.example.q", "Quill Pad", false},
        {"Electron Helper", "com.example.q", "Electron", false},
        // The vendor prefix with a name as a whole part; the prefix alone, or with the
        // vendor's other products, takes nothing.
        {"com.example.quillpad.engine", "com.example.q", "Quill Pad", true},
        {"K3WQ7TZ2PX.com.example.QuillPad", "com.example.q", "Quill Pad", true},
        {"com.example.plist", "com.example.q", "Quill Pad", false},
        {"com.example.Anvil.plist", "com.example.q", "Quill Pad", false},
        {"com.example.quillpadx", "com.example.q", "Quill Pad", false},
        {"com.other.quillpad.plist", "com.example.q", "Quill Pad", false},
        // A one-part identifier begins a name as a whole part, and takes no conventions.
        {"Qux.agent.plist", "Qux", "x", true},
        {"com.Qux.plist", "Qux", "x", false},
        {"QuxHelper", "Qux", "x", false},
        {"Qux Help", "Qux", "Qux", true},
        {"Qux_old.plist", "Qux", "x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(
            KnowledgeBaseSimpleSearchInfo::isNameOfApplication(c.name, c.bundleId, c.bundleName),
            c.belongs)
            << c.name << " for " << c.bundleId.value_or("<none>");
}

// Rules and records over ROOT; the comments say why each leftover is or is not taken.
constexpr const char* kScenario = R"(<base><rules>
    <rule path="ROOT/Library" deep="1"><f type="folder" group="application-support"/>
      <f type="file" nameSuffix=".plist" group="preferences"/></rule>
    <rule path="ROOT/Shared" deep="2"><f group="caches"/></rule>
    <rule path="ROOT/Owned" deep="1"><f name="mine" domain="com.example.foo" group="logs"/>
      <f name="theirs" domain="com.other" group="logs"/><f namePrefix="sys" isSystem="yes" group="logs"/></rule>
  </rules><domains>
    <d v="com.example.foo"><g v="crash-reports"><f>ROOT/Library/Foo</f></g>
      <g v="caches"><f>ROOT/Records/own</f><f>ROOT/Records/missing</f><f>ROOT/Records/skipped</f></g></d>
    <d v="com.example.foo.helper" parentDomain="com.example.foo"><g v="logs"><f>ROOT/Records/helper.log</f></g>
      <g v="login-items"><f>ROOT/Owned/sys</f></g></d>
    <d v="com.other"><g v="caches"><f>ROOT/Shared/com.example.foo.shared</f><f>ROOT/Records/other</f></g></d>
    <d v="com.apple.Safari"><g v="system"><f>ROOT/Shared/com.example.foo.system</f></g></d>
  </domains><skipList><f>ROOT/Records/skipped</f></skipList></base>)";

TEST(KnowledgeBaseSearch, RulesThenRecordsOfTheApplicationsDomain) {
    const std::string root = libraryFolder("scenario");
    for (const char* folder :
         {"Library/com.example.foo.savedState", "Library/Foo", "Library/foo-agent",
          "Shared/com.example.foo.shared/com.example.foo.cache",
          "Shared/com.example.foo.system/com.example.foo.x", "Shared/unknown/com.example.foo.y",
          "Owned/mine", "Owned/theirs", "Owned/sys", "Owned/sys2", "Records/own", "Records/skipped",
          "Records/other"})
        makeDirs(root + "/" + folder);
    putFile(root + "/Library/com.example.foo.plist", "p");
    putFile(root + "/Library/COM.EXAMPLE.FOO.plist", "p");
    putFile(root + "/Records/helper.log", "l");

    DownloadedContainer container(pack(withRoot(kScenario, root)));
    auto info = KnowledgeBaseSimpleSearchInfo::generateForBundle(
        makeApp("Foo.app", "com.example.foo", "foo"));
    ASSERT_NE(info, nullptr);

    const std::vector<std::string> items = found(*info, root);
    EXPECT_EQ(sorted(items), sorted({
                                 // by name: holds the identifier / equals the executable
                                 "Library/com.example.foo.savedState 3",
                                 "Library/com.example.foo.plist 10",
                                 "Library/COM.EXAMPLE.FOO.plist 10",
                                 // recorded for the application: the record's group wins
                                 "Library/Foo 13",
                                 // refused above it, so no parent item
                                 "Shared/unknown/com.example.foo.y 8",
                                 "Owned/mine 11",
                                 // a system item that the application's helper records
                                 "Owned/sys 14",
                                 // records of the domain and of a domain below it
                                 "Records/own 8",
                                 "Records/helper.log 11",
                             }));
    // The records that no rule met come last.
    ASSERT_EQ(items.size(), 9u);
    EXPECT_EQ(sorted({items[7], items[8]}), sorted({"Records/own 8", "Records/helper.log 11"}));

    // Of the walks' trees only the items and the folders above them are kept: "Owned/theirs"
    // and the other entries beside an item are let go once the walk is over.
    std::set<const FileItem*> taken;
    for (const auto& item : info->relatedDepItems())
        taken.insert(item->getFileItem().get());
    std::vector<std::string> others;
    ASSERT_FALSE(info->rootItems().empty());
    for (const auto& tree : info->rootItems())
        leadsToAnItem(*tree, taken, others);
    EXPECT_EQ(others, std::vector<std::string>{});
}

// A record names its path in any case, as the application's platform would find it;
// a record or rule whose folders lead through a link to somewhere else finds nothing.
TEST(KnowledgeBaseSearch, RecordsMatchIgnoringCaseAndNeverThroughLinks) {
    const std::string root = libraryFolder("links");
    const std::string elsewhere = Sandbox::process().makeFolder("elsewhere");
    makeDirs(elsewhere + "/Documents/thesis");
    makeDirs(root + "/Cased/data");
    makeDirs(root + "/Cased/DATA");
    makeDirs(root + "/Cased/database");
    makeDirs(root + "/Real/com.example.linked.cache");
    ASSERT_EQ(::symlink(elsewhere.c_str(), (root + "/Link").c_str()), 0);
    ASSERT_EQ(::symlink((root + "/Real").c_str(), (root + "/LinkedRule").c_str()), 0);

    DownloadedContainer container(pack(withRoot(R"(<base><rules>
        <rule path="ROOT/LinkedRule" deep="1"><f group="caches"/></rule>
      </rules><domains><d v="com.example.linked"><g v="caches">
        <f>ROOT/Cased/Data</f><f>ROOT/Link/Documents/thesis</f><f>ROOT/Link</f>
      </g></d></domains></base>)",
                                                root)));
    auto info = KnowledgeBaseSimpleSearchInfo::generateForBundle(
        makeApp("Linked.app", "com.example.linked", "Linked"));
    ASSERT_NE(info, nullptr);
    // The link itself is the application's, and is offered as the link.
    EXPECT_EQ(sorted(found(*info, root)), sorted({"Cased/DATA 8", "Cased/data 8", "Link 8"}));
}

} // namespace
