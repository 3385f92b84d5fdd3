#include "knowledge/KBXMLDocument.h"

#include "knowledge/DomainIdentifier.h"
#include "knowledge/KBXMLSystemSkipList.h"

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

// What a walk of the domains section reads of every domain.
std::vector<std::string> domainsRead(KBXMLDocument& read) {
    std::vector<std::string> seen;
    if (const KBXMLDomains* domains = read.domains())
        domains->iterateDomains(
            [&](const KBXMLDomain& domain) { seen.push_back(traceOf(domain)); });
    return seen;
}

// The document read with its domains streamed, and the name (or trace, for a domain) of
// every element of the section in the order they were handed over.
std::shared_ptr<KBXMLDocument> streamed(const std::string& text, std::vector<std::string>& seen) {
    SecureBuffer buffer{std::string_view(text)};
    std::optional<TBXMLError> error;
    std::optional<TBXMLProblem> problem;
    return KBXMLDocument::create(
        std::move(buffer), TBXML::kUnlimited,
        [&](const _TBXMLElement* child) {
            auto domain = KBXMLDomain::create(child);
            seen.push_back(domain ? traceOf(*domain) : TBXML::elementName(child));
        },
        &error, &problem);
}

// Streaming the domains reads every domain as a walk of the whole tree does, across many
// pages of text and many blocks of records, while the tree holds one domain at a time;
// the sections after the domains read as before.
TEST(KBXMLDocument, StreamingTheDomainsReadsWhatAWalkReads) {
    std::string body = "<rules><rule path=\"~/Library/Caches\" deep=\"1\"/></rules><domains>";
    for (int i = 0; i < 3000; ++i) {
        const std::string id = "com.example.app" + std::to_string(i);
        body += "<d v=\"" + id + "\"" + (i % 3 == 0 ? " system=\"yes\"" : "") +
                "><g v=\"caches\"><f>~/Library/Caches/" + id + "</f><f>~/Library/Caches/" + id +
                "/Data " + std::string(i % 50, 'x') + "</f></g>" +
                (i % 5 == 0 ? "<skipped/>" : "") + "<!-- note --><g v=\"system\"><f>/Library/" +
                id + "</f></g></d>";
    }
    body += "</domains><skipList><f>~/Library/Kept</f></skipList>";
    const std::string text = "<base>" + body + "</base>";
    std::optional<TBXMLError> error;
    auto walked =
        KBXMLDocument::create(SecureBuffer{std::string_view(text)}, TBXML::kUnlimited, &error);
    ASSERT_TRUE(walked);
    std::vector<std::string> seen;
    auto read = streamed(text, seen);
    ASSERT_TRUE(read);

    const std::vector<std::string> expected = domainsRead(*walked);
    ASSERT_EQ(expected.size(), 3000u);
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(domainsRead(*read).empty());
    // Six elements in every domain, and not a tenth of them held at the end.
    const std::size_t held = 3000 * 6 * sizeof(_TBXMLElement);
    EXPECT_GT(walked->tbxml()->memoryFootprint(), read->tbxml()->memoryFootprint() + held * 9 / 10);
    ASSERT_NE(read->rules(), nullptr);
    EXPECT_EQ(joined([&](auto append) {
                  read->rules()->iterateRules(
                      [&](const KBXMLRule& rule) { append(traceOf(rule)); });
              }),
              "rule(~/Library/Caches,1,-1,-)[]");
    ASSERT_NE(read->systemSkipList(), nullptr);
    ASSERT_EQ(read->systemSkipList()->items().size(), 1u);
    EXPECT_EQ(read->systemSkipList()->items()[0].path(), "~/Library/Kept");
}

// Only the elements directly in the first domains section of the root are streamed, in
// document order, self-closed ones and ones the end of the text closes included; other
// elements named so are read into the tree as before.
TEST(KBXMLDocument, OnlyTheFirstDomainsSectionOfTheRootIsStreamed) {
    std::vector<std::string> seen;
    auto read = streamed("<base><rules><domains><d v=\"in.rules\"/></domains></rules>"
                         "<domains><x/><d v=\"a\"><domains><d v=\"nested\"/></domains></d>"
                         "<d v=\"b\"/></domains><domains><d v=\"second\"/></domains>"
                         "<domains><d v=\"c\"><g v=\"caches\"><f>/unclosed",
                         seen);
    ASSERT_TRUE(read);
    EXPECT_EQ(seen, (std::vector<std::string>{"x", "d(bi:a,-,-,-,-)[]", "d(bi:b,-,-,-,-)[]"}));

    // A first section that closes itself is the section: a later one is not streamed.
    seen.clear();
    read = streamed("<base><domains/><domains><d v=\"a\"/></domains></base>", seen);
    ASSERT_TRUE(read);
    EXPECT_TRUE(seen.empty());

    // Under another root, nothing is streamed; the document is none.
    seen.clear();
    EXPECT_FALSE(streamed("<other><domains><d v=\"a\"/></domains></other>", seen));
    EXPECT_TRUE(seen.empty());

    // A section the end of the text closes hands over what it holds.
    seen.clear();
    read = streamed("<base><domains><d v=\"a\"><g v=\"caches\"><f>/x</f>", seen);
    ASSERT_TRUE(read);
    EXPECT_EQ(seen, (std::vector<std::string>{"d(bi:a,-,-,-,-)[g(caches,F,8)[/x]]"}));
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
