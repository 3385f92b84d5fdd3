#include "knowledge/KnowledgeBaseLimits.h"

#include "ContainerTestSupport.h"
#include "knowledge/DataCompressor.h"
#include "knowledge/KnowledgeBaseData.h"
#include "support/ProgramRun.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

using namespace container_test;
using Limits = KnowledgeBaseLimits;

namespace {

// `item` `count` times, wrapped in `open` and `close` inside the root.
std::string document(std::string_view open, std::string_view item, std::size_t count,
                     std::string_view close) {
    std::string text = "<base>" + std::string(open);
    for (std::size_t i = 0; i < count; ++i)
        text += item;
    return text + std::string(close) + "</base>";
}

std::string refusal(const std::string& xml) {
    auto opening = KnowledgeBaseData::openDocument(bytes(xml));
    return opening.document ? "<loads>" : opening.refusal;
}

} // namespace

// Each bound holds at its limit and refuses one past it, saying which bound it was.
TEST(KnowledgeBaseLimits, DocumentsPastABoundAreRefusedWithTheReason) {
    const std::string records = "<domains><d v=\"com.a\"><g v=\"caches\">";
    const std::string recordsEnd = "</g></d></domains>";
    const std::string filler(Limits::kMaxDocumentBytes - 13, ' ');
    struct Case {
        const char* name;
        std::string xml;
        std::string expected;
    };
    const Case cases[] = {
        {"a document at the size limit", "<base>" + filler + "</base>", "<loads>"},
        {"one byte more", "<base>" + filler + " </base>",
         "the document is larger than " + std::to_string(Limits::kMaxDocumentBytes) + " bytes"},
        {"records at the limit", document(records, "<f>/a</f>", Limits::kMaxRecords, recordsEnd),
         "<loads>"},
        {"one record more", document(records, "<f>/a</f>", Limits::kMaxRecords + 1, recordsEnd),
         "the document has " + std::to_string(Limits::kMaxRecords + 1) + " records, more than " +
             std::to_string(Limits::kMaxRecords)},
        {"elements at the limit, the root among them",
         document("", "<a/>", Limits::kMaxXMLRecords - 1, ""), "<loads>"},
        {"one element more", document("", "<a/>", Limits::kMaxXMLRecords, ""),
         "the document has more than " + std::to_string(Limits::kMaxXMLRecords) +
             " elements or attributes"},
        {"rules at the limit",
         document("<rules>", "<rule path=\"/r\"/>", Limits::kMaxRules, "</rules>"), "<loads>"},
        {"one rule more",
         document("<rules>", "<rule path=\"/r\"/>", Limits::kMaxRules + 1, "</rules>"),
         "the document has " + std::to_string(Limits::kMaxRules + 1) + " rules, more than " +
             std::to_string(Limits::kMaxRules)},
        {"not a knowledge base", "<other/>",
         "not a knowledge-base document (no <base> root element)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(refusal(c.xml), c.expected) << c.name;

    // The load itself refuses the same way, says so, and keeps nothing of the document.
    SecureBuffer xml{std::string_view(cases[3].xml)};
    testing::internal::CaptureStderr();
    auto data = KnowledgeBaseData::createWithXMLData(xml);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(data->isParsed());
    EXPECT_TRUE(data->recordsByFileNames().empty());
    EXPECT_EQ(log, kKnowledgeWarning + "refused: " + cases[3].expected + "\n");

    // The load reads the domains one at a time, yet holds them to the same bound on
    // elements as a whole tree: each domain would make a group.
    for (const std::size_t domains : {Limits::kMaxXMLRecords - 2, Limits::kMaxXMLRecords - 1}) {
        SecureBuffer many{
            std::string_view(document("<domains>", "<d v=\"c.d\"/>", domains, "</domains>"))};
        testing::internal::CaptureStderr();
        auto loaded = KnowledgeBaseData::createWithXMLData(many);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(loaded->isParsed(), domains == Limits::kMaxXMLRecords - 2) << domains;
        EXPECT_EQ(said.find("elements or attributes") != std::string::npos,
                  domains == Limits::kMaxXMLRecords - 1)
            << said;
    }
}

// A document with a structural fault still loads as far as it reads; the load says what
// the fault is and where, once however often the document is loaded again.
TEST(KnowledgeBaseLimits, AMalformedDocumentSaysWhereOnce) {
    const std::string xml = "<base><domains><d v=\"com.a\"><g v=\"caches\"><f>~/Library/a</f>"
                            "</d></domains></base>";
    testing::internal::CaptureStderr();
    for (int load = 0; load < 3; ++load) {
        SecureBuffer buffer{std::string_view(xml)};
        EXPECT_TRUE(KnowledgeBaseData::createWithXMLData(buffer)->isParsed());
    }
    const std::string log = testing::internal::GetCapturedStderr();
    const std::string where =
        std::string(TBXMLProblem::nameOf(TBXMLProblem::Kind::MismatchedClosingTag)) + " at byte " +
        std::to_string(xml.find("</d>"));
    EXPECT_EQ(log.find(kKnowledgeWarning), 0u) << log;
    EXPECT_NE(log.find(where), std::string::npos) << log;
    EXPECT_EQ(log.find(kKnowledgeWarning, 1), std::string::npos) << log;

    // Without a single element the document is refused, saying where the reader gave up.
    auto opening = KnowledgeBaseData::openDocument(bytes("no markup at all"));
    EXPECT_FALSE(opening.document);
    ASSERT_TRUE(opening.problem);
    EXPECT_EQ(opening.problem->kind, TBXMLProblem::Kind::NoRootElement);
    EXPECT_EQ(opening.problem->offset, 16u);
}

// Custom domain rules are parsed into far larger values than their text, so each one and
// all together are bounded; rules past the bound are left out, the rest load.
TEST(KnowledgeBaseLimits, CustomDomainRulesPastTheirBudgetAreLeftOut) {
    auto definition = [](int index, std::size_t bytes) {
        std::string json = "[";
        while (json.size() + 3 < bytes)
            json += "0,";
        json += "0]";
        return "<CustomDomainDefinition id=\"c:d" + std::to_string(index) + "\"><![CDATA[" + json +
               "]]></CustomDomainDefinition>";
    };
    std::string xml =
        "<base><CustomDomains>" + definition(0, Limits::kMaxCustomDomainDefinitionBytes + 1);
    const std::size_t each = 60'000;
    for (int index = 1; index <= 20; ++index)
        xml += definition(index, each);
    xml += "</CustomDomains></base>";
    SecureBuffer buffer{std::string_view(xml)};
    auto data = KnowledgeBaseData::createWithXMLData(buffer);
    ASSERT_TRUE(data->isParsed());
    const auto& loaded = data->customDomainDefinitions();
    ASSERT_EQ(loaded.size(), Limits::kMaxCustomDomainBytes / each);
    EXPECT_EQ(loaded.front()->domainIdentifier()->uniqueIdentifier(), "c:d1");
}

// The maintainers' tool says why it cannot open a container or pack a document.
TEST(KnowledgeBaseLimits, TheContainerToolSaysWhyItRefuses) {
    const std::string folder = testing_support::Sandbox::process().makeFolder("kbtool");
    auto write = [&](const std::string& name, const std::string& contents) {
        testing_support::writeFile(folder + "/" + name, contents);
        return folder + "/" + name;
    };
    const std::string large = "<base>" + std::string(Limits::kMaxDocumentBytes, ' ') + "</base>";
    auto packedLarge = DataCompressor::compressData(bytes(large));
    ASSERT_TRUE(packedLarge);
    const std::string tooLarge = write("large.cer", std::string(packedLarge->view()));
    const std::string damaged = write("damaged.cer", "not a container");
    const std::string manyRecords = write(
        "records.xml", document("<domains><d v=\"com.a\"><g v=\"caches\">", "<f>~/Library/a</f>",
                                Limits::kMaxRecords + 1, "</g></d></domains>"));
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::string malformed = write("malformed.xml", "<base><domains></base>");
    const Case cases[] = {
        {{"check", malformed},
         malformed + ": malformed XML: " +
             std::string(TBXMLProblem::nameOf(TBXMLProblem::Kind::MismatchedClosingTag)) +
             " at byte 15 (open element <domains>)"},
        {{"check", tooLarge},
         tooLarge + ": cannot be opened: stage 5 of 5, unpacking the document: it unpacks to more "
                    "than 32 MiB"},
        {{"unpack", damaged, folder + "/out.xml"},
         damaged + ": cannot be opened: stage 2 of 5, unpacking the outer archive: the archive "
                   "has no complete end record (it ends at offset 19)"},
        {{"pack", manyRecords, folder + "/out.cer"},
         manyRecords + ": the document has " + std::to_string(Limits::kMaxRecords + 1) +
             " records, more than " + std::to_string(Limits::kMaxRecords)},
    };
    for (const Case& c : cases) {
        const testing_support::ProgramRun run =
            testing_support::runProgram(SWEEPWISE_KBTOOL, c.arguments);
        EXPECT_EQ(run.status, 1) << c.arguments[0];
        EXPECT_NE(run.err.find("kbtool: " + c.message + "\n"), std::string::npos) << run.err;
    }
}
