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
          <subdomains><d v="com.office.Word"/><d vId="c:X"/><d/><s v="com.s"/></subdomains>
          <subdomains><d v="com.second"/></subdomains>
        </g>
        <g vId="g:NoPath" name="No path"><d v="com.not.in.subdomains"/></g>
        <g vId="g:NoName" path="/x"/>
        <g vId="nonsense" name="Bad id"/>
        <d vId="g:Other" name="Other element"/>
      </domainGroups>)");
    std::string groups = joined([&](auto append) {
        doc->domainGroups()->iterateDomainGroups([&](const KBXMLDomainGroup& group) {
            std::string members = joined([&](auto appendMember) {
                group.iterateOverSubdomains(
                    [&](const KBXMLSubdomain& member) { appendMember(traceOf(member.domainId())); });
            });
            append(traceOf(group.domainId()) + "," + group.name() + "," + traceOf(group.path()) +
                   "[" + members + "]");
        });
    });
    EXPECT_EQ(groups, "g:Office,Office,/Applications/Office[bi:com.office.word c:x] "
                      "g:NoPath,No path,-[]");
}

TEST(KBXMLSections, ReadCustomDomainDefinitionsWithAUsableIdentifier) {
    auto doc = document(R"(<CustomDomains>
        <CustomDomainDefinition id="c:Tool">["contains", "X"]</CustomDomainDefinition>
        <CustomDomainDefinition id="c:Empty"/>
        <CustomDomainDefinition>[]</CustomDomainDefinition>
        <customDomainDefinition id="c:lower">[]</customDomainDefinition>
      </CustomDomains>)");
    std::string definitions = joined([&](auto append) {
        doc->customDomains()->iterateOverCustomDomains([&](const KBXMLCustomDomainDefinition& d) {
            append(traceOf(d.domainId()) + "=" + d.rawJSON());
        });
    });
    EXPECT_EQ(definitions, R"(c:tool=["contains", "X"] c:empty=)");
}

TEST(KBXMLSections, ReadRemovalScriptsOfDomainsThatHaveAnyContainer) {
    auto doc = document(R"(<customScripts>
        <scripts vId="bi:com.a">
          <preremoval>
            <script version="^1\." useAdminPrivileges="true">echo a &amp;amp;&amp; b</script>
            <other>no</other>
          </preremoval>
          <postremoval><script useAdminPrivileges="TRUE">post</script></postremoval>
          <preremoval><script>second pre</script></preremoval>
        </scripts>
        <scripts vId="c:none"><script>loose</script></scripts>
        <scripts><preremoval><script>no id</script></preremoval></scripts>
        <scripts vId="c:empty"><postremoval/></scripts>
      </customScripts>)");
    std::string scripts = joined([&](auto append) {
        doc->customScripts()->iterateBundleScripts([&](const KBXMLBundleScripts& bundle) {
            append(traceOf(bundle.domainIdentifier()) + " pre" +
                   traceOf(bundle.preremovalScripts()) + " post" +
                   traceOf(bundle.postremovalScripts()));
        });
    });
    EXPECT_EQ(scripts, R"(bi:com.a pre[script(echo a &amp;& b,^1\.,T)] post[script(post,-,F)] )"
                       R"(c:empty pre- post[])");
}

TEST(KBXMLSections, ReadSkipListsWholeLeavingOutDefectiveItems) {
    auto doc = document(R"(
        <skipList><f>~/Library/Keep</f><f/><g>not a path</g><f> /System </f></skipList>
        <extensionsSkipList>
          <item group="la" name="N" path="~/p" bundleID="com.b" mainAppPath="/A.app" browserExtID="ext"/>
          <items group="w"/>
          <item group="w" browserExtensionID="long name is not read" bundleId="wrong case"/>
        </extensionsSkipList>)");
    std::string paths;
    for (const auto& item : doc->systemSkipList()->items())
        paths += "[" + item.path() + "]";
    EXPECT_EQ(paths, "[~/Library/Keep][][/System]");
    std::string items;
    for (const auto& item : doc->extensionsSkipList()->items())
        items += "[" + item.groupID() + "," + traceOf(item.name()) + "," + traceOf(item.path()) +
                 "," + traceOf(item.bundleID()) + "," + traceOf(item.mainAppPath()) + "," +
                 traceOf(item.browserExtensionID()) + "]";
    EXPECT_EQ(items, "[la,N,~/p,com.b,/A.app,ext][w,-,-,-,-,-]");
}
