#include "knowledge/KnowledgeBaseData.h"

#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/KBExtensionSkipItem.h"
#include "search/FileItem.h"
#include "shell/PathsGenerator.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <pthread.h>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

std::shared_ptr<KnowledgeBaseData> load(const std::string& body) {
    SecureBuffer xml{std::string_view("<base>" + body + "</base>")};
    return KnowledgeBaseData::createWithXMLData(xml);
}

std::string home() {
    return PathsGenerator::GetInstance().getHomeDirectory();
}

// The paths filed under `name`, newest first.
std::vector<std::string> chain(const KnowledgeBaseData& data, const std::string& name) {
    std::vector<std::string> paths;
    auto found = data.recordsByFileNames().find(name);
    for (auto record = found == data.recordsByFileNames().end() ? nullptr : found->second; record;
         record = record->nextRecord())
        paths.emplace_back(record->path());
    return paths;
}

std::shared_ptr<KnowledgeRecordGroup> groupFor(const KnowledgeBaseData& data,
                                               const std::string& bundleId) {
    return data.groupByDomainIdentifier(DomainBundleIdentifier::create(bundleId));
}

TEST(KnowledgeBaseData, DomainsBecomeGroupsAndRecordsFiledByLastPathComponent) {
    auto data = load(R"(<domains>
        <d v="com.a.App" system="no" separateApp="yes" domain="yes" parentDomainId="g:Suite">
          <g v="caches"><f>~/Library/Caches/com.a.App</f><f/></g>
          <g v="system"><f>/Library/Shared/Thing</f></g>
          <g v="cookie"><f>/Library/Cookies/never</f></g>
          <g><f>/Library/no-group-name</f></g>
          <g v="preferences"><f>~/Library/Preferences/Thing</f></g>
        </d>
        <d system="yes"><g v="caches"><f>/Library/no-identifier</f></g></d>
        <d v="com.twice" separateApp="yes"><g v="logs"><f>~/Library/first/log</f></g></d>
        <d v="com.twice" separateApp="no"><g v="logs"><f>~/Library/second/log</f></g></d>
        <d v="com.apple.Safari" system="no" separateApp="yes"/>
      </domains>)");
    ASSERT_TRUE(data->isParsed());
    auto group = groupFor(*data, "com.a.app");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->systemType(), 2);
    EXPECT_EQ(group->isSeparateApp(), 1);
    EXPECT_TRUE(group->isCommonDomain());
    EXPECT_EQ(group->parentDomainIdentifier()->uniqueIdentifier(), "g:Suite");

    EXPECT_EQ(chain(*data, "com.a.App"),
              std::vector<std::string>{home() + "/Library/Caches/com.a.App"});
    EXPECT_EQ(
        chain(*data, "Thing"),
        (std::vector<std::string>{home() + "/Library/Preferences/Thing", "/Library/Shared/Thing"}));
    auto preferences = data->recordsByFileNames().head("Thing");
    ASSERT_NE(preferences, nullptr);
    EXPECT_EQ(preferences->dependecyType(), 10);
    EXPECT_EQ(&preferences->group(), group.get());
    EXPECT_TRUE(preferences->nextRecord()->isSystemItem());
    for (const char* skipped : {"never", "no-group-name", "no-identifier"})
        EXPECT_EQ(data->recordsByFileNames().count(skipped), 0u) << skipped;

    // A later domain replaces the group, but earlier records keep the one they had.
    auto newest = data->recordsByFileNames().head("log");
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(&newest->group(), groupFor(*data, "com.twice").get());
    EXPECT_EQ(newest->group().isSeparateApp(), 2);
    EXPECT_EQ(newest->nextRecord()->group().isSeparateApp(), 1);

    // Operating-system domains are system whatever the document says, and exist unlisted.
    EXPECT_EQ(groupFor(*data, "com.apple.Safari")->systemType(), 1);
    EXPECT_EQ(groupFor(*data, "com.apple.Safari")->isSeparateApp(), 1);
    ASSERT_NE(groupFor(*data, "org.cups"), nullptr);
    EXPECT_EQ(groupFor(*data, "org.cups")->systemType(), 1);
}

// The helper offers only what lies inside the home folder's Library; a document that
// points elsewhere has those records and rules ignored, and the rest still loads.
TEST(KnowledgeBaseData, RecordsAndRulesOutsideTheLibraryAreIgnored) {
    auto data = load(R"(<rules>
        <rule path="~" deep="1"/><rule path="~/" deep="1"/><rule path="/" deep="1"/>
        <rule path="~/Library"/><rule path="~/Documents" deep="1"/><rule path="/Library/Caches" deep="1"/>
        <rule path="~/Library/../.." deep="1"/><rule path="~Library" deep="1"/>
        <rule path="~/Library" deep="1"/><rule path="~/Library/Caches" deep="1"/>
      </rules><domains><d v="com.bad">
        <g v="binaries"><f>/Library/PrivilegedHelperTools/com.bad.helper</f></g>
        <g v="caches"><f>~/Library/Caches/../../Documents/thesis</f><f>~/Documents/notes</f>
          <f>~</f><f>~/Library</f><f>~/Library//Caches</f><f>~/Library/./Caches</f>
          <f>~/Library/Caches/com.bad</f></g>
        <g v="system"><f>/System/Library/Kept</f><f>~/Library/../Climbing</f></g>
      </d></domains>)");
    ASSERT_TRUE(data->isParsed());
    ASSERT_EQ(data->searchRules().size(), 2u);
    EXPECT_EQ(data->searchRules()[0]->path(), home() + "/Library");
    EXPECT_EQ(data->searchRules()[1]->path(), home() + "/Library/Caches");

    std::vector<std::string> kept;
    for (const auto& [name, head] : data->recordsByFileNames())
        for (auto record = head; record; record = record->nextRecord())
            kept.emplace_back(record->path());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{"/System/Library/Kept",
                                              home() + "/Library/Caches/com.bad"}));
}

TEST(KnowledgeBaseData, OnlyTheRecordWithTheItemsFullPathMatches) {
    const std::string folder = home() + "/Library/only-one";
    for (const char* sub : {"/one", "/ONE", "/two"}) {
        makeDirs(folder + sub);
        writeFile(folder + sub + "/settings.plist", "x");
    }
    auto data = load("<domains><d v=\"com.a\"><g v=\"preferences\"><f>" + folder +
                     "/one/settings.plist</f><f>" + folder +
                     "/two/settings.plist</f></g></d><d v=\"com.b\"><g v=\"logs\"><f>" + folder +
                     "/two/settings.plist</f></g></d></domains>");
    auto matches = [&](const std::string& sub) {
        auto item = FileItem::createTreeForPath(folder + sub + "/settings.plist", nullptr);
        EXPECT_NE(item, nullptr) << sub;
        std::vector<int> seen;
        if (item)
            data->enumerateRecordsForFileItem(*item, [&](KnowledgeRecord& record) {
                EXPECT_TRUE(record.used());
                seen.push_back(record.dependecyType());
            });
        return seen;
    };
    EXPECT_EQ(matches("/two"), (std::vector<int>{11, 10}));
    auto oldest = data->recordsByFileNames().head("settings.plist")->nextRecord()->nextRecord();
    EXPECT_FALSE(oldest->used());
    // Paths compare exactly: a folder that differs only in case is another folder.
    EXPECT_TRUE(matches("/ONE").empty());
    EXPECT_FALSE(oldest->used());
    EXPECT_EQ(matches("/one"), std::vector<int>{10});
    EXPECT_TRUE(oldest->used());
}

TEST(KnowledgeBaseData, TheOtherSectionsFillTheirIndexes) {
    auto data = load(R"(
      <rules><rule path="~/Library/first" deep="1"/><x/><rule path="~/Library/second"/></rules>
      <domainGroups>
        <g vId="g:Office" name="Office" path="/Applications/Office"><subdomains><d v="com.o.Word"/><d v="com.o.Excel"/></subdomains>
          <subdomains><d v="com.o.Second"/></subdomains></g>
        <g vId="g:NoName" path="/x"/>
        <g vId="g:Later" name="Later"><subdomains><d v="com.o.Excel"/></subdomains></g>
      </domainGroups>
      <CustomDomains>
        <CustomDomainDefinition id="c:first">["contains", "CFBundleName"]</CustomDomainDefinition>
        <CustomDomainDefinition id="c:broken">not json</CustomDomainDefinition>
        <CustomDomainDefinition id="c:second">["compare", "CFBundleName", ["=", "Viewer"]]</CustomDomainDefinition>
      </CustomDomains>
      <customScripts>
        <scripts vId="bi:com.o.word"><preremoval><script useAdminPrivileges="true">pre &amp;amp;&amp; x</script></preremoval><postremoval><script>post</script></postremoval></scripts>
        <scripts vId="c:postonly"><postremoval><script>only</script></postremoval></scripts>
      </customScripts>
      <skipList><f>~/Library/Keep</f></skipList>
      <extensionsSkipList><item group="w" bundleID="com.ext"/>
        <item group="li" name="~/n" path="~/Library/Ext" mainAppPath="~/A.app"/>
        <item group="ip" path="~user/x"/></extensionsSkipList>
)");
    ASSERT_TRUE(data->isParsed());
    ASSERT_EQ(data->searchRules().size(), 2u);
    EXPECT_EQ(data->searchRules()[1]->path(), home() + "/Library/second");
    const auto& byMember = data->domainGroupRecordByAppUniqueIdentifier();
    EXPECT_EQ(byMember.at("bi:com.o.word")->name(), "Office");
    EXPECT_EQ(byMember.at("bi:com.o.excel")->name(), "Later");
    EXPECT_EQ(byMember.count("bi:com.o.second") + data->domainGroupRecordByPath().count("/x"), 0u);
    EXPECT_EQ(data->domainGroupRecordByPath().at("/Applications/Office")->subdomains().size(), 2u);
    std::vector<std::string> custom;
    for (const auto& definition : data->customDomainDefinitions())
        custom.push_back(definition->domainIdentifier()->uniqueIdentifier());
    EXPECT_EQ(custom, (std::vector<std::string>{"c:first", "c:second"}));
    ASSERT_EQ(data->preremovalScriptsByDomainId().size(), 1u);
    auto pre = data->preremovalScriptsByDomainId().at("bi:com.o.word")->scriptForVersion("1");
    EXPECT_EQ(pre->content(), "pre &amp;& x");
    EXPECT_TRUE(pre->usesPrivileges());
    EXPECT_EQ(data->postremovalScriptsByDomainId().size(), 2u);
    // The document's skip list replaces the built-in one.
    EXPECT_TRUE(data->mutableSystemSkipList().contains(home() + "/Library/Keep"));
    EXPECT_FALSE(data->mutableSystemSkipList().contains(home() + "/Library/Calendars"));
    EXPECT_TRUE(data->mutableSkipList().contains(
        KBExtensionSkipItem(2, std::nullopt, "com.ext", std::nullopt, std::nullopt, std::nullopt)));
    // Only a path's leading "~/" is the home folder.
    EXPECT_TRUE(data->mutableSkipList().contains(KBExtensionSkipItem(
        0, "~/n", std::nullopt, home() + "/Library/Ext", "~/A.app", std::nullopt)));
    EXPECT_TRUE(data->mutableSkipList().contains(
        KBExtensionSkipItem(1, std::nullopt, std::nullopt, "~user/x", std::nullopt, std::nullopt)));
}

} // namespace

// Every record of a knowledge base may share one file name. The chain must read back
// in order, and releasing the knowledge base must not take a stack frame per record: it
// is dropped on a thread with a small stack.
TEST(KnowledgeBaseData, ALongChainReadsBackAndIsReleasedOnASmallStack) {
    std::string body = "<domains><d v=\"com.example.Same\"><g v=\"caches\">";
    for (int i = 0; i < 20000; ++i)
        body += "<f>~/Library/f/" + std::to_string(i) + "/Same</f>";
    std::shared_ptr<KnowledgeBaseData> data = load(body + "</g></d></domains>");
    ASSERT_TRUE(data->isParsed());
    int index = 19999;
    for (auto record = data->recordsByFileNames().head("Same"); record;
         record = record->nextRecord(), --index)
        ASSERT_EQ(record->path(), home() + "/Library/f/" + std::to_string(index) + "/Same");
    EXPECT_EQ(index, -1);

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 256 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attributes,
                  [](void* argument) -> void* {
                      static_cast<std::shared_ptr<KnowledgeBaseData>*>(argument)->reset();
                      return nullptr;
                  },
                  &data),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(data, nullptr);
}
