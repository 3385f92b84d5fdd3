#include "knowledge/KBXMLDocument.h"

#include "knowledge/DomainIdentifier.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A document of the given sections inside the root element.
inline std::shared_ptr<KBXMLDocument> document(const std::string& body) {
    auto created = KBXMLDocument::create("<base>" + body + "</base>");
    EXPECT_NE(created, nullptr);
    return created;
}

// Short texts of what the document wrappers read, so that a test can compare a whole
// section with one expected string. "-" stands for none or unset.
inline std::string traceOf(const std::shared_ptr<const DomainIdentifier>& identifier) {
    return identifier ? identifier->uniqueIdentifier() : "-";
}

inline std::string traceOf(const std::optional<std::string>& value) {
    return value ? *value : "-";
}

inline std::string traceOf(std::optional<bool> flag) {
    return !flag ? "-" : *flag ? "T" : "F";
}

// Joins the traces that `iterate` hands to `append`, separated by blanks.
template <typename Iterate> std::string joined(Iterate&& iterate) {
    std::string text;
    iterate([&text](const std::string& item) {
        if (!text.empty())
            text += ' ';
        text += item;
    });
    return text;
}

// rule(path,deep,fdeep,fname)[children]; filters are
// f(type,name,prefix,suffix,deep,separate,goDeeper,isSystem,domain,group).
inline std::string traceOf(const KBXMLRule& rule) {
    std::string children = joined([&](auto append) {
        rule.iterateSubItemsWithSubRulesAction(
            [&](const KBXMLRule& sub) { append(traceOf(sub)); },
            [&](const KBXMLRuleFilter& f) {
                append("f(" + std::to_string(f.fileType()) + "," + traceOf(f.name()) + "," +
                       traceOf(f.namePrefix()) + "," + traceOf(f.nameSuffix()) + "," +
                       std::to_string(f.deep()) + "," + traceOf(f.separate()) + "," +
                       traceOf(f.goDeeper()) + "," + traceOf(f.isSystem()) + "," +
                       traceOf(f.domainIdentifier()) + "," + std::to_string(f.group()) + ")");
            });
    });
    return "rule(" + traceOf(rule.path()) + "," + std::to_string(rule.deep()) + "," +
           std::to_string(rule.fdeep()) + "," + traceOf(rule.fname()) + ")[" + children + "]";
}

// d(domain,system,separateApp,common,parent)[g(name,isSystem,dependencyType)[paths]]
inline std::string traceOf(const KBXMLDomain& domain) {
    std::string groups = joined([&](auto append) {
        domain.iterateGroups([&](const KBXMLFileGroup& group) {
            std::string files = joined([&](auto appendFile) {
                group.iterateFiles(
                    [&](const KBXMLFile& file) { appendFile(traceOf(file.path())); });
            });
            append("g(" + traceOf(group.groupName()) + "," + (group.isSystem() ? "T" : "F") + "," +
                   std::to_string(group.dependencyType()) + ")[" + files + "]");
        });
    });
    return "d(" + traceOf(domain.domain()) + "," + traceOf(domain.isSystem()) + "," +
           traceOf(domain.isSeparateApp()) + "," + traceOf(domain.isCommonDomain()) + "," +
           traceOf(domain.parentDomain()) + ")[" + groups + "]";
}

// What the walk reads of every domain.
std::vector<std::string> domainsRead(KBXMLDocument& read, bool consuming) {
    std::vector<std::string> seen;
    const auto record = [&](const KBXMLDomain& domain) { seen.push_back(traceOf(domain)); };
    if (consuming)
        read.consumeDomains(record);
    else if (const KBXMLDomains* domains = read.domains())
        domains->iterateDomains(record);
    return seen;
}

// Consuming the domains gives the tree back behind the walk, across many pages of text
// and many blocks of records, yet reads every domain as a plain walk does; the sections
// around the domains are not to be read afterwards.
TEST(KBXMLDocument, ConsumingTheDomainsReadsWhatAWalkReads) {
    std::string body = "<rules><rule path=\"~/Library/Caches\" deep=\"1\"/></rules><domains>";
    for (int i = 0; i < 3000; ++i) {
        const std::string id = "com.example.app" + std::to_string(i);
        body += "<d v=\"" + id + "\"" + (i % 3 == 0 ? " system=\"yes\"" : "") +
                "><g v=\"caches\"><f>~/Library/Caches/" + id + "</f><f>~/Library/Caches/" + id +
                "/Data " + std::string(i % 50, 'x') + "</f></g>" +
                (i % 5 == 0 ? "<skipped/>" : "") + "<g v=\"system\"><f>/Library/" + id +
                "</f></g></d>";
    }
    body += "</domains><skipList><i>~/Library/Kept</i></skipList>";
    auto walked = document(body);
    auto consumed = document(body);
    ASSERT_TRUE(walked && consumed);
    const std::size_t before = consumed->tbxml()->memoryFootprint();

    const std::vector<std::string> expected = domainsRead(*walked, false);
    ASSERT_EQ(expected.size(), 3000u);
    EXPECT_EQ(domainsRead(*consumed, true), expected);
    EXPECT_LT(consumed->tbxml()->memoryFootprint(), before - before / 3);
    EXPECT_EQ(consumed->rules(), nullptr);
    EXPECT_EQ(consumed->systemSkipList(), nullptr);
    EXPECT_TRUE(domainsRead(*consumed, true).empty());
}

} // namespace

TEST(KBXMLDocument, ReadsTheFirstRulesSectionWithNestedRulesAndFiltersInOrder) {
    auto doc = document(R"(<domains/><rules>
        <rule path="~/Library" deep="2" fname="Foo">
          <f type="file" name="a" namePrefix="p" nameSuffix="s" deep="x" separate="yes"
             goDeeper="y" isSystem="no" domain="Com.A" group="caches"/>
          <junk/>
          <rule path="/Library" deep="99999999999" fdeep=" -3z"><f/></rule>
          <f type="File" domain="" domainId="g:G" group="Caches"/>
        </rule>
        <notarule path="x"/>
        <rule/>
      </rules><rules><rule path="second"/></rules>)");
    EXPECT_EQ(doc->separators(), nullptr);
    std::string rules = joined([&](auto append) {
        doc->rules()->iterateRules([&](const KBXMLRule& rule) { append(traceOf(rule)); });
    });
    EXPECT_EQ(rules, "rule(~/Library,2,-1,Foo)[f(1,a,p,s,0,T,F,F,bi:com.a,8) "
                     "rule(/Library,2147483647,-3,-)[f(0,-,-,-,-1,-,-,-,-,-1)] "
                     "f(0,-,-,-,-1,-,-,-,g:G,-1)] rule(-,-1,-1,-)[]");
}

// A domain is named by its bundle identifier first, then by its typed identifier.
TEST(KBXMLDocument, ReadsDomainsWithTheirFileGroups) {
    auto doc = document(R"(<domains>
        <d v="Com.App" system="y" separateApp="no" domain="yes" parentDomainId="g:Suite">
          <g v="caches"><f>~/Library/Caches/com.app</f><f></f><f>  </f><x>no</x><f>/tmp/a</f></g>
          <g v="system"><f>/Library/x</f></g>
          <g v=""><f>/y</f></g>
          <h v="caches"/>
        </d>
        <d vId="c:Custom" system="Yes" separateApp="n" domain="no" parentDomain="com.parent"/>
        <s v="com.not.a.domain"/>
        <d system="maybe" domain="y"/>
        <d v="com.a" vId="g:Grp"/><d v="" vId="g:Grp"/><d vId="<![CDATA[ch:bi:a<<<g:G]]>"/>
        <d vId="zz:x"/><d V="com.a" VID="g:x"/></domains>)");
    std::string domains = joined([&](auto append) {
        doc->domains()->iterateDomains([&](const KBXMLDomain& domain) { append(traceOf(domain)); });
    });
    EXPECT_EQ(domains, "d(bi:com.app,T,F,T,g:Suite)[g(caches,F,8)[~/Library/Caches/com.app - - "
                       "/tmp/a] g(system,T,-1)[/Library/x] g(-,F,-1)[/y]] "
                       "d(c:custom,-,F,-,bi:com.parent)[] d(-,-,-,T,-)[] d(bi:com.a,-,-,-,-)[] "
                       "d(g:Grp,-,-,-,-)[] d(ch:bi:a<<<g:G,-,-,-,-)[] d(-,-,-,-,-)[] "
                       "d(-,-,-,-,-)[]");
}
