#include "knowledge/DataDecompressor.h"
#include "knowledge/KBSourceAssembler.h"
#include "knowledge/KnowledgeBaseData.h"
#include "support/ProgramRun.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

std::string source(const std::string& name) {
    return std::string(SWEEPWISE_SOURCE_DIR) + "/tests/data/knowledge-sources/" + name;
}

ProgramRun kbtool(const std::vector<std::string>& arguments) {
    return runProgram(SWEEPWISE_KBTOOL, arguments);
}

std::vector<std::string> domainsOf(const KnowledgeBaseData& data) {
    std::vector<std::string> names;
    for (const auto& [key, group] : data.recordGroups())
        if (!group->isSystemBundleIfParentUnknown())
            names.push_back(key);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

// The build packs the main document with every file of domains; the helper then sees
// one document holding all of them, comments and CDATA passed through.
TEST(KnowledgeSources, PackJoinsTheDomainFilesIntoTheMainDocument) {
    const std::string out = Sandbox::process().makeFolder("pack") + "/auth.cer";
    const ProgramRun pack = kbtool({"pack", source("main.xml"), source("a.xml"), out});
    ASSERT_EQ(pack.status, 0) << pack.err;
    auto data = KnowledgeBaseData::createWithPath(out);
    ASSERT_TRUE(data->isParsed());
    EXPECT_EQ(domainsOf(*data),
              (std::vector<std::string>{"bi:com.example.first", "bi:com.example.second",
                                        "ch:bi:com.example.third<<<g:Suite"}));
    EXPECT_EQ(data->recordsByFileNames().count("Second &amp; Co"), 1u);
    EXPECT_EQ(data->searchRules().size(), 1u);

    const ProgramRun check = kbtool({"check", source("main.xml"), source("a.xml")});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.out.find("domains: 3\nrecords: 3\nrules: 1\n"), std::string::npos) << check.out;
}

// A record that points outside the home folder's Library never ships: pack and check
// name the file and the reason, and nothing is written.
TEST(KnowledgeSources, PackRefusesRecordsOutsideTheLibraryNamingFileAndReason) {
    const std::string out = Sandbox::process().makeFolder("refused") + "/auth.cer";
    for (const auto& command : {std::string("pack"), std::string("check")}) {
        std::vector<std::string> arguments{command, source("main.xml"), source("a.xml"),
                                           source("bad.xml")};
        if (command == "pack")
            arguments.push_back(out);
        const ProgramRun run = kbtool(arguments);
        SCOPED_TRACE(command);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(source("bad.xml") +
                               ": record \"/Library/PrivilegedHelperTools/com.example.bad.helper\" "
                               "of bi:com.example.bad: an absolute path"),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find(source("bad.xml") + ": record \"~/Library/Caches/../../Documents\""),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find("a.xml"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("Fine"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::ifstream(out).good());
}

TEST(KnowledgeSources, AssemblerRefusesWhatIsNotADomainsFile) {
    const std::string base = "<base><rules/><domains><d v=\"a\"/></domains></base>";
    const struct {
        const char* text;
        const char* error; // empty: assembled
    } cases[] = {
        {"<domains><d v=\"b\"/></domains>", ""},
        {"<domains/>", ""},
        {"<base><domains/></base>", "the root element is <base>, not <domains>"},
        {"<domains><d v=\"b\"/><rules/></domains>",
         "<rules> in <domains> (only <d> belongs there)"},
        {"<domains><d v=\"b\"></domains>", "end tag </domains> does not close the open element"},
        {"<domains><d v=\"b\"/>", "<domains> is never closed"},
        {"<domains><!-- open", "the text ends inside a tag, comment or CDATA section"},
        {"<domains/><domains/>", "a second root element <domains>"},
        {"  ", "no root element"},
    };
    for (const auto& c : cases) {
        auto result = KBSourceAssembler::assemble({"main", base}, {{"part", c.text}});
        SCOPED_TRACE(c.text);
        if (!*c.error) {
            ASSERT_TRUE(result.document) << result.error;
            EXPECT_TRUE(result.document->starts_with("<base><rules/><domains><d v=\"a\"/>"));
            EXPECT_TRUE(result.document->ends_with("</domains></base>"));
        } else {
            EXPECT_FALSE(result.document);
            EXPECT_EQ(result.error, std::string("part: ") + c.error);
        }
    }
    // A main document without a domains section, or with an empty one, gets one.
    for (const char* main : {"<base><rules/></base>", "<base><domains /></base>"}) {
        auto result = KBSourceAssembler::assemble({"main", main},
                                                  {{"part", "<domains><d v=\"b\"/></domains>"}});
        ASSERT_TRUE(result.document) << result.error;
        EXPECT_NE(result.document->find("\n<!-- part -->\n<d v=\"b\"/></domains></base>"),
                  std::string::npos)
            << *result.document;
    }
}
