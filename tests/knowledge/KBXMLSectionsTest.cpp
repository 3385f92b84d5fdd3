#include "knowledge/KBXMLDocument.h"
#include "knowledge/KBXMLTrace.h"

#include <gtest/gtest.h>
#include <string>

using testing_support::document;
using testing_support::joined;
using testing_support::traceOf;

TEST(KBXMLSections, SkipDomainGroupsWithoutIdentifierOrNameAndReadTheFirstMemberList) {
    auto doc = document(R"(<domainGroups>
        <g vId="g:Office" name="Office" path="/Applications/Office">
          <subdomains><d v="com.office.Word"/><d vId="c:X"/><d/><d vId="bogus"/><s v="com.s"/></subdomains>
          <subdomains><d v="com.second"/></subdomains>
        </g>
        <g vId="g:NoPath" name="No path"><d v="com.not.in.subdomains"/></g>
        <g vId="g:NoName" path="/x"/>
        <g v="com.bundle" name="Bundle attribute only"/>
        <g vId="nonsense" name="Bad id"/>
        <d vId="g:Other" name="Other element"/>
        <g vId="bi:Com.A" name="">
          <x/><subdomains><d vId="g:Inner"/></subdomains>
        </g>
      </domainGroups>)");
    ASSERT_NE(doc->domainGroups(), nullptr);
    std::string groups = joined([&](auto append) {
        doc->domainGroups()->iterateDomainGroups([&](const KBXMLDomainGroup& group) {
            std::string members = joined([&](auto appendMember) {
                group.iterateOverSubdomains([&](const KBXMLSubdomain& member) {
                    appendMember(traceOf(member.domainId()));
                });
            });
            append("g(" + traceOf(group.domainId()) + "," + group.name() + "," +
                   traceOf(group.path()) + ")[" + members + "]");
        });
    });
    EXPECT_EQ(groups, "g(g:Office,Office,/Applications/Office)[bi:com.office.word c:x] "
                      "g(g:NoPath,No path,-)[] g(bi:com.a,,-)[g:Inner]");
}

TEST(KBXMLSections, ReadCustomDomainDefinitionsWithAUsableIdentifier) {
    auto doc = document(R"(<CustomDomains>
        <CustomDomainDefinition id="c:Tool">["compare", "CFBundleName", ["=", "Tool"]]</CustomDomainDefinition>
        <CustomDomainDefinition id="c:Empty"/>
        <CustomDomainDefinition>[]</CustomDomainDefinition>
        <CustomDomainDefinition id="">[]</CustomDomainDefinition>
        <CustomDomainDefinition v="com.a">[]</CustomDomainDefinition>
        <customDomainDefinition id="c:lower">[]</customDomainDefinition>
        <CustomDomainDefinition id="g:Grp">{"not": "an array"}</CustomDomainDefinition>
      </CustomDomains>)");
    ASSERT_NE(doc->customDomains(), nullptr);
    std::string definitions = joined([&](auto append) {
        doc->customDomains()->iterateOverCustomDomains([&](const KBXMLCustomDomainDefinition& d) {
            append(traceOf(d.domainId()) + "=" + d.rawJSON());
        });
    });
    EXPECT_EQ(definitions, R"(c:tool=["compare", "CFBundleName", ["=", "Tool"]] c:empty= )"
                           R"(g:Grp={"not": "an array"})");
}

TEST(KBXMLSections, ReadRemovalScriptsOfDomainsThatHaveAnyContainer) {
    auto doc = document(R"(<customScripts>
        <scripts vId="bi:com.a">
          <preremoval>
            <script version="^1\." useAdminPrivileges="true">echo a &amp;amp;&amp; b &lt;x&gt;</script>
            <script>plain</script>
            <other>no</other>
          </preremoval>
          <postremoval><script useAdminPrivileges="TRUE">post</script></postremoval>
          <preremoval><script>second pre</script></preremoval>
        </scripts>
        <scripts vId="c:post"><x/><postremoval><script useAdminPrivileges="yes">only post</script></postremoval></scripts>
        <scripts vId="c:none"><script>loose</script></scripts>
        <scripts><preremoval><script>no id</script></preremoval></scripts>
        <scripts v="com.a"><preremoval/></scripts>
        <script vId="c:other"><preremoval/></script>
        <scripts vId="c:empty"><postremoval/></scripts>
      </customScripts>)");
    ASSERT_NE(doc->customScripts(), nullptr);
    std::string scripts = joined([&](auto append) {
        doc->customScripts()->iterateBundleScripts([&](const KBXMLBundleScripts& bundle) {
            if (bundle.preremovalScripts()) {
                EXPECT_TRUE(bundle.preremovalScripts()->isPreremove());
            }
            if (bundle.postremovalScripts()) {
                EXPECT_FALSE(bundle.postremovalScripts()->isPreremove());
            }
            append(traceOf(bundle.domainIdentifier()) + " pre" +
                   traceOf(bundle.preremovalScripts()) + " post" +
                   traceOf(bundle.postremovalScripts()));
        });
    });
    EXPECT_EQ(
        scripts,
        R"(bi:com.a pre[script(echo a &amp;& b &lt;x&gt;,^1\.,T) script(plain,-,F)] )"
        R"(post[script(post,-,F)] c:post pre- post[script(only post,-,F)] c:empty pre- post[])");
}

TEST(KBXMLSections, ReadSkipListsWholeLeavingOutDefectiveItems) {
    auto doc = document(R"(
        <skipList><f>~/Library/Keep</f><f/><g>not a path</g><f> /System </f></skipList>
        <extensionsSkipList>
          <item group="la" name="N" path="~/p" bundleID="com.b" mainAppPath="/A.app" browserExtID="ext"/>
          <item name="no group"/>
          <item group=""/>
          <items group="w"/>
          <item group="w" browserExtensionID="long name is not read" bundleId="wrong case"/>
        </extensionsSkipList>)");
    ASSERT_NE(doc->systemSkipList(), nullptr);
    std::string paths;
    for (const auto& item : doc->systemSkipList()->items())
        paths += "[" + item.path() + "]";
    EXPECT_EQ(paths, "[~/Library/Keep][][/System]");

    ASSERT_NE(doc->extensionsSkipList(), nullptr);
    std::string items;
    for (const auto& item : doc->extensionsSkipList()->items())
        items += "[" + item.groupID() + "," + traceOf(item.name()) + "," + traceOf(item.path()) +
                 "," + traceOf(item.bundleID()) + "," + traceOf(item.mainAppPath()) + "," +
                 traceOf(item.browserExtensionID()) + "]";
    EXPECT_EQ(items, "[la,N,~/p,com.b,/A.app,ext][,-,-,-,-,-][w,-,-,-,-,-]");
}
