// What the helper offers for a removed application, end to end through the standard
// places, the knowledge base and the safety pass: nothing of another application or of
// the user, and sizes that removal frees.
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "search/DepFileItem.h"
#include "search/FileItem.h"
#include "search/InstalledApplications.h"
#include "search/KnowledgeBaseTestSupport.h"
#include "search/SimpleRemainsInfo.h"
#include "search/SimpleSizeCalculation.h"
#include "shell/PathsGenerator.h"
#include "support/FileTestSupport.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace kb_test;
using remains_test::makeAppBundle;
using remains_test::putFile;
using testing_support::makeDirs;
using testing_support::makeLink;
using testing_support::readFile;
using testing_support::Sandbox;

namespace {

// Path to reason of every item offered, the bundle left out.
using Offer = std::map<std::string, std::string>;

struct Result {
    std::shared_ptr<SimpleRemainsInfo> info;
    Offer offer;
};

// The offer for `bundle` as the helper makes it, the knowledge base included when a
// container is installed, with every size measured.
Result offerFor(const std::shared_ptr<const platform::Bundle>& bundle,
                std::shared_ptr<const InstalledApplications> installed = nullptr) {
    Result result;
    result.info = SimpleRemainsInfo::create(bundle, {}, std::move(installed));
    if (!result.info)
        return result;
    if (auto knowledge = KnowledgeBaseSimpleSearchInfo::generateForBundle(bundle))
        result.info->appendKnowledgeBaseInfo(*knowledge);
    EXPECT_TRUE(platform::MainQueue::shared().runUntil(
        [&] { return result.info->pendingSizeCount() == 0; }, std::chrono::seconds(60)));
    std::vector<std::shared_ptr<PathForRemove>> records;
    result.info->addRemoveObjectPathsToArray(records);
    for (const auto& record : records) {
        if (record->type() != 0)
            result.offer[record->path()] = record->reason();
    }
    return result;
}

// Installed applications in a folder of their own: name, identifier, executable.
std::shared_ptr<const InstalledApplications>
installed(const std::vector<std::array<std::string, 3>>& applications) {
    const std::string folder = Sandbox::process().makeFolder("Applications");
    for (const auto& [name, identifier, executable] : applications)
        makeAppBundle(folder + "/" + name + ".app", identifier, executable);
    return InstalledApplications::scan({folder});
}

// Puts a file at each of `ours` and `theirs` (paths in the Library), then expects the offer
// for `bundle` to hold each of ours and none of theirs.
void expectOffers(const std::vector<std::string>& ours, const std::vector<std::string>& theirs,
                  const std::shared_ptr<const platform::Bundle>& bundle,
                  std::shared_ptr<const InstalledApplications> installed = nullptr) {
    for (const auto& list : {ours, theirs})
        for (const auto& path : list)
            putFile(library(path), "x");
    const Offer offer = offerFor(bundle, std::move(installed)).offer;
    for (const auto& path : ours)
        EXPECT_TRUE(offer.contains(library(path))) << path;
    for (const auto& path : theirs)
        EXPECT_FALSE(offer.contains(library(path))) << path;
}

// Every rule walks a standard place one level deep and takes what the name test
// accepts; one rule classifies by a prefix of its own.
constexpr const char* kRules = R"(<base><rules>
    <rule path="~/Library/Caches" deep="1"><f group="caches"/></rule>
    <rule path="~/Library/Preferences" deep="1"><f nameSuffix=".plist" group="preferences"/></rule>
    <rule path="~/Library/HTTPStorages" deep="1">
      <f namePrefix="com.example.foo" domain="com.example.foo" group="caches"/></rule>
  </rules><domains>
    <d v="com.example.nest"><g v="application-support">
      <f>~/Library/Application Support/Nest/Data</f></g></d>
    <d v="com.example.foobar"><g v="caches"><f>~/Library/HTTPStorages/com.example.foobar</f></g></d>
  </domains></base>)";

std::string rulesContainer() {
    std::string xml = kRules;
    for (std::size_t at = xml.find("~/"); at != std::string::npos; at = xml.find("~/", at))
        xml.replace(at, 1, Sandbox::process().home());
    return pack(xml);
}

} // namespace

// The naming conventions of the shipped rules and the name test, each beside what it
// must leave: another installed application's helper and edition, the vendor's other
// product, common words, a "-" after the identifier, the user's settings folders.
TEST(OfferSafety, NamingConventionsTakeTheApplicationsPartsAndNothingElse) {
    DownloadedContainer container(
        pack(readFile(std::string(SWEEPWISE_SOURCE_DIR) + "/resources/knowledge/default.xml")));
    auto others = installed({{"Foo Helper", "com.example.FooMacHelper", "Foo Helper"},
                             {"Foo 3", "com.example.FooMac3", "Foo 3"},
                             {"Anvil", "com.example.Anvil", "Anvil"}});
    const std::string home = Sandbox::process().home() + "/";
    for (const char* folder : {".config/foo", ".Foo", ".config/foobar", ".foo2", ".ssh"})
        putFile(home + folder + "/settings", "x");
    const std::vector<std::string> ours = {
        "LaunchAgents/com.example.FooMacLauncher.plist",
        "Containers/com.example.FooMacLauncher/",
        "LaunchAgents/com.example.FooMac_agent.plist",
        "Caches/com.example.FooMac_ShipIt/",
        "Logs/com.example.FooMac 2024-05-01.log",
        "Logs/Foo Agent.log",
        "Preferences/Foo.plist",
        "Application Support/Foo 2/",
        "Preferences/com.example.foo.plist",
        "Caches/com.example.Foo.engine/",
        "Caches/SentryCrash/Foo",
        "Caches/com.plausiblelabs.crashreporter.data/com.example.FooMac/",
        "Caches/com.apple.helpd/Generated/Foo Help",
        "Caches/com.apple.helpd/SDMHelpData/Other/English/HelpSDMIndexFile/"
        "com.example.FooMac.help"};
    const std::vector<std::string> theirs = {"Caches/com.example.FooMacHelper/",
                                             "Logs/Foo Helper.log",
                                             "Application Support/Foo Helper/",
                                             "Application Support/Foo 3/",
                                             "Caches/com.example.FooMac-helper/",
                                             "Caches/com.example.FooMacbar/",
                                             "Preferences/com.example.plist",
                                             "Preferences/com.example.Anvil.plist",
                                             "Caches/com.example.Anvil.engine/",
                                             "Caches/SentryCrash/Anvil",
                                             "Caches/Helper/",
                                             "Preferences/Updater.plist",
                                             "Application Support/Vendor/Foo 2/",
                                             "Logs/Foo-agent.log"};
    // A trailing "/" makes a folder, as the rules of the folders that hold folders need.
    for (const auto& list : {ours, theirs})
        for (const std::string& path : list)
            path.ends_with("/") ? makeDirs(library(path)) : putFile(library(path), "x");
    const Offer offer = offerFor(makeApp("Foo.app", "com.example.FooMac", "Foo"), others).offer;
    const auto strip = [](std::string path) {
        return path.ends_with("/") ? path.substr(0, path.size() - 1) : path;
    };
    for (const std::string& path : ours)
        EXPECT_TRUE(offer.contains(library(strip(path)))) << path;
    for (const std::string& path : theirs)
        EXPECT_FALSE(offer.contains(library(strip(path)))) << path;
    EXPECT_EQ(offer.at(home + ".config/foo"),
              "settings folder ~/.config/<name>: executable Foo (any case)");
    EXPECT_TRUE(offer.contains(home + ".Foo"));
    for (const char* theirs : {".config/foobar", ".foo2", ".config", ".ssh"})
        EXPECT_FALSE(offer.contains(home + theirs)) << theirs;
    EXPECT_EQ(offer.at(library("Caches/com.example.Foo.engine")),
              "knowledge-base rule " + library("Caches") +
                  ": executable Foo after the vendor prefix com.example");

    // A settings folder named like a folder the system or the user keeps is never offered.
    EXPECT_EQ(offerFor(makeApp("Ssh.app", "com.example.ssh", "ssh")).offer, Offer{});
}

// A one-part identifier takes what its name begins as a whole part (not "com", which
// begins every "com.*" name), and what is offered for one reason is not also listed as
// refused for another.
TEST(OfferSafety, OnePartIdentifiersTakeDotBoundedNames) {
    DownloadedContainer container(rulesContainer());
    for (const char* path :
         {"LaunchAgents/Qux.agent.plist", "Preferences/Qux.helper.plist", "Preferences/Qux.plist",
          "Preferences/Quxbar.plist", "Preferences/com.Qux.plist", "LaunchAgents/Qux-x.plist"})
        putFile(library(path), "x");
    const Result result = offerFor(makeApp("Qux.app", "Qux", "Qux"));
    EXPECT_EQ(result.offer.size(), 3u);
    for (const char* path :
         {"LaunchAgents/Qux.agent.plist", "Preferences/Qux.helper.plist", "Preferences/Qux.plist"})
        EXPECT_TRUE(result.offer.contains(library(path))) << path;
    for (const auto& dropped : result.info->droppedOffers())
        EXPECT_FALSE(result.offer.contains(dropped.path)) << dropped.path;

    // "org" takes its own preferences by their exact name, though the rule's match by part
    // is refused.
    putFile(library("Preferences/org.plist"), "x");
    const Result org = offerFor(makeApp("Org.app", "org", "Org"));
    EXPECT_TRUE(org.offer.contains(library("Preferences/org.plist")));
    for (const auto& dropped : org.info->droppedOffers())
        EXPECT_FALSE(org.offer.contains(dropped.path)) << dropped.path;
}

// A record of the application outweighs a rule's prefix that met its path first; the
// rule's prefix still keeps the path from the application the prefix names.
TEST(OfferSafety, RecordsOfTheApplicationOutweighARulesPrefix) {
    DownloadedContainer container(rulesContainer());
    makeDirs(library("HTTPStorages/com.example.foobar"));
    const Offer foobar = offerFor(makeApp("Foobar.app", "com.example.foobar", "Foobar")).offer;
    EXPECT_TRUE(foobar.contains(library("HTTPStorages/com.example.foobar")));
    const Offer foo = offerFor(makeApp("Foo.app", "com.example.foo", "Foo")).offer;
    EXPECT_FALSE(foo.contains(library("HTTPStorages/com.example.foobar")));
}

TEST(OfferSafety, SiblingEditionsKeepTheirFiles) {
    DownloadedContainer container(rulesContainer());
    auto editions = installed({{"Editor Insiders", "com.example.EditorInsiders", "Editor Insiders"},
                               {"Editor Helper", "com.example.Editor.helper", "Editor Helper"}});
    expectOffers({"Caches/com.example.Editor", "Preferences/com.example.Editor.plist",
                  "Application Support/CrashReporter/Editor_1.plist"},
                 {"Caches/com.example.EditorInsiders",
                  "Preferences/com.example.EditorInsiders.plist",
                  "Application Support/CrashReporter/Editor Insiders_1.plist",
                  "LaunchAgents/com.example.Editor.helper.Insiders.plist"},
                 makeApp("Editor.app", "com.example.Editor", "Editor"), editions);
}

TEST(OfferSafety, PrefixesNeedABoundaryEvenWithNothingElseInstalled) {
    DownloadedContainer container(rulesContainer());
    expectOffers({"LaunchAgents/com.example.foo.plist", "LaunchAgents/com.example.foo.agent.plist",
                  "Application Support/CrashReporter/Foo_2024.plist",
                  "Application Support/CrashReporter/Foo-x.plist",
                  "Application Support/CrashReporter/Foo x.plist",
                  "Application Support/CrashReporter/Foo.plist", "HTTPStorages/com.example.foo",
                  "HTTPStorages/com.example.foo.binarycookies", "Caches/com.example.foo.ShipIt",
                  "Caches/group.com.example.foo"},
                 {"LaunchAgents/com.example.foobar.updater.plist",
                  "Application Support/CrashReporter/Foobar_X.plist",
                  "HTTPStorages/com.example.foobar", "Caches/com.example.foobar",
                  "Caches/xcom.example.foo"},
                 makeApp("Foo.app", "com.example.foo", "Foo"));
}

TEST(OfferSafety, DegenerateIdentifiersAndNamesTakeNothingByPart) {
    DownloadedContainer container(rulesContainer());
    for (const char* path : {"Caches/com.example.victim", "Preferences/com.other.app.plist",
                             "LaunchAgents/com.example.agent.plist", "Caches/a/b",
                             "Preferences/Line\nBreak", "Application Support/Documents"})
        putFile(library(path), "x");
    putFile(Sandbox::process().home() + "/Documents/report.txt", "mine");
    // Identifier and executable as the bundle's information dictionary gives them.
    const std::vector<std::pair<std::string, std::string>> bundles = {
        {"com", "Com"},
        {"com.", "Com2"},
        {".com", "Com3"},
        {"a/b", "ab"},
        {"..", "Dots"},
        {"com.example.x", "../../Documents"},
        {"com.example.y", "Line\nBreak"},
        {"com.example.z", "a/b"},
    };
    for (const auto& [identifier, executable] : bundles) {
        const Result result = offerFor(makeApp("Odd.app", identifier, executable));
        ASSERT_TRUE(result.info) << identifier;
        EXPECT_EQ(result.offer, Offer{}) << identifier << " / " << executable;
    }
}

TEST(OfferSafety, AnEmptyExecutableNameTakesNothingByName) {
    DownloadedContainer container(rulesContainer());
    for (const char* path : {"Preferences/Blank", "Application Support/Blank", "Logs/Blank.log",
                             "Caches/blank", "Caches/com.example.blank"})
        putFile(library(path), "x");
    const std::string path = Sandbox::process().makeFolder("app") + "/Blank.app";
    putFile(path + "/Contents/Info.plist",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
            "<key>CFBundleIdentifier</key><string>com.example.blank</string>"
            "<key>CFBundleExecutable</key><string></string></dict></plist>");
    const Offer offer = offerFor(platform::Bundle::create(path)).offer;
    EXPECT_EQ(offer, (Offer{{library("Caches/com.example.blank"),
                             "standard place 1 (Library/Caches): identifier com.example.blank; "
                             "knowledge-base rule " +
                                 library("Caches") + ": identifier com.example.blank"}}));
}

TEST(OfferSafety, LinksAreOfferedAndMeasuredAsTheLinksThemselves) {
    const std::string other = Sandbox::process().makeFolder("Applications") + "/Other.app";
    makeAppBundle(other, "com.example.other", "Other");
    const std::string big = Sandbox::process().makeFolder("big");
    putFile(big + "/blob", std::string(4 << 20, 'b'));
    const std::string id = "com.example.links";
    for (const char* folder :
         {"Caches", "Containers", "Saved Application State", "Application Support", "Cookies"})
        makeDirs(library(folder));
    makeLink("/", library("Caches/" + id));
    makeLink(Sandbox::process().home(), library("Containers/" + id));
    makeLink(other, library("Application Support/Links"));
    makeLink(big, library("Cookies/" + id + ".cookies"));
    makeLink("/nonexistent/target", library("Saved Application State/" + id + ".savedState"));
    const std::string loop = library("Preferences/" + id + ".plist");
    makeDirs(library("Preferences"));
    makeLink(loop + ".2", loop);
    makeLink(loop, loop + ".2");

    const Result result =
        offerFor(makeApp("Links.app", id, "Links"),
                 InstalledApplications::scan({platform::Path::deletingLastComponent(other)}));
    for (const std::string& link :
         {library("Caches/" + id), library("Containers/" + id),
          library("Application Support/Links"), library("Cookies/" + id + ".cookies"),
          library("Saved Application State/" + id + ".savedState"), loop})
        EXPECT_TRUE(result.offer.contains(link)) << link;
    EXPECT_EQ(result.offer.size(), 6u);
    // The bundle and six links take a few blocks; none of the links' targets counts.
    EXPECT_LT(result.info->getTotalSize(), 8u * 4096u);
}

TEST(OfferSafety, NestedAndRespelledPathsAreOfferedOnceAndCountedOnce) {
    DownloadedContainer container(rulesContainer());
    putFile(library("Application Support/Nest/Data/blob"), std::string(1 << 20, 'n'));
    const auto bundle = makeApp("Nest.app", "com.example.nest", "Nest");
    const Result result = offerFor(bundle);
    ASSERT_EQ(result.offer.size(), 1u);
    const std::string outer = library("Application Support/Nest");
    ASSERT_TRUE(result.offer.contains(outer));
    // The outer folder stands for the record inside it, and says so.
    EXPECT_EQ(result.offer.at(outer), "standard place 11 (Library/Application Support): "
                                      "executable Nest; knowledge-base record: domain "
                                      "bi:com.example.nest");
    const std::uint64_t folder = SimpleSizeCalculation::sizeOfItemAtPath(outer);
    EXPECT_GE(folder, 1u << 20);
    EXPECT_EQ(result.info->getTotalSize(),
              SimpleSizeCalculation::sizeOfItemAtPath(bundle->bundlePath()) + folder);

    // Inner first, then the outer one, then the same folder spelt three more ways.
    auto info = SimpleRemainsInfo::create(makeApp("Nest.app", "com.example.nest", "NotNest"), {});
    auto kb = KnowledgeBaseSimpleSearchInfo::create(bundle);
    std::vector<std::shared_ptr<DepFileItem>> items;
    for (const std::string& spelling : {outer + "/Data", outer + "/", outer, outer + "//.",
                                        platform::Path::deletingLastComponent(outer) + "//Nest"}) {
        auto tree = FileItem::createTreeForPath(spelling, 0, nullptr);
        ASSERT_TRUE(tree) << spelling;
        items.push_back(DepFileItem::create(tree, 3));
    }
    kb->setRelatedDepItems(items);
    info->appendKnowledgeBaseInfo(*kb);
    ASSERT_TRUE(platform::MainQueue::shared().runUntil(
        [&] { return info->pendingSizeCount() == 0; }, std::chrono::seconds(60)));
    std::vector<std::shared_ptr<PathForRemove>> records;
    info->addRemoveObjectPathsToArray(records);
    ASSERT_EQ(records.size(), 2u); // the bundle and the folder
    EXPECT_EQ(records[1]->path(), outer);
    EXPECT_EQ(info->getTotalSize(), records[0]->getSize() + folder);
}

TEST(OfferSafety, HardLinksCountOnceInTheTotal) {
    const std::string id = "com.example.hard";
    const std::string caches = library("Caches/" + id);
    const std::string containers = library("Containers/" + id);
    putFile(caches + "/blob", std::string(2 << 20, 'h'));
    makeDirs(containers);
    ASSERT_EQ(::link((caches + "/blob").c_str(), (caches + "/again").c_str()), 0);
    ASSERT_EQ(::link((caches + "/blob").c_str(), (containers + "/blob").c_str()), 0);
    const Result result = offerFor(makeApp("Hard.app", id, "Hard"));
    ASSERT_EQ(result.offer.size(), 2u);
    std::vector<std::shared_ptr<PathForRemove>> records;
    result.info->addRemoveObjectPathsToArray(records);
    std::uint64_t bundleSize = records[0]->getSize();
    // Each path alone counts the file once; together they still do.
    EXPECT_GE(records[1]->getSize(), 2u << 20);
    EXPECT_LT(records[1]->getSize(), 3u << 20);
    EXPECT_LT(result.info->getTotalSize() - bundleSize, 3u << 20);
}

TEST(OfferSafety, EveryItemSaysWhyItIsOffered) {
    DownloadedContainer container(rulesContainer());
    putFile(library("Preferences/com.example.why.plist"), "x");
    putFile(library("Caches/com.example.why.data"), "x");
    putFile(library("LaunchAgents/com.example.why.agent.plist"), "x");
    putFile(library("HTTPStorages/com.example.foo.why"), "x");
    const Result result = offerFor(makeApp("Why.app", "com.example.why", "Why"));
    const std::string rules = "knowledge-base rule " + Sandbox::process().home() + "/Library/";
    EXPECT_EQ(
        result.offer,
        (Offer{{library("Preferences/com.example.why.plist"),
                "standard place 3 (Library/Preferences): identifier com.example.why; " + rules +
                    "Preferences filter suffix .plist: identifier com.example.why (part "
                    "of the name)"},
               {library("Caches/com.example.why.data"),
                rules + "Caches: identifier com.example.why (part of the name)"},
               {library("LaunchAgents/com.example.why.agent.plist"),
                "standard place 12 (Library/LaunchAgents): identifier com.example.why "
                "(prefix)"}}));

    const Result foo = offerFor(makeApp("Foo.app", "com.example.foo", "Foo"));
    EXPECT_EQ(foo.offer.at(library("HTTPStorages/com.example.foo.why")),
              rules + "HTTPStorages filter prefix com.example.foo: domain bi:com.example.foo");
}

TEST(OfferSafety, InstalledApplicationsAreFoundThroughLinksOnceAndNeverInTheTrash) {
    const std::string base = Sandbox::process().makeFolder("installed");
    const std::string elsewhere = base + "/elsewhere";
    makeAppBundle(elsewhere + "/Linked.app", "com.example.linked", "Linked");
    makeAppBundle(elsewhere + "/Deep/Nested.app", "com.example.nested", "Nested");
    const std::string applications = base + "/Applications";
    makeDirs(applications);
    makeLink(elsewhere + "/Linked.app", applications + "/Linked.app");
    makeLink(elsewhere + "/Deep", applications + "/Suite");
    makeLink(applications, applications + "/Loop");
    makeLink(applications + "/Loop2", applications + "/Loop2"); // a link to itself
    const std::string trash = PathsGenerator::GetInstance().buildTrashDirectory();
    makeAppBundle(trash + "/Gone.app", "com.example.gone", "Gone");
    makeLink(trash, applications + "/Trash");
    const std::string linkedApplications = base + "/LinkedApplications";
    makeLink(applications, linkedApplications);

    auto found = InstalledApplications::scan({linkedApplications, applications});
    std::vector<std::string> identifiers;
    for (const auto& application : found->applications())
        identifiers.push_back(application.identifier.value_or(""));
    std::sort(identifiers.begin(), identifiers.end());
    EXPECT_EQ(identifiers, (std::vector<std::string>{"com.example.linked", "com.example.nested"}));
}
