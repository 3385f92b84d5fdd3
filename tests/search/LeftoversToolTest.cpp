#include "search/KnowledgeBaseTestSupport.h"
#include "shell/NSStringFileSize.h"
#include "support/ProgramRun.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

using namespace testing_support;
using remains_test::makeAppBundle;
using remains_test::putFile;

namespace {

ProgramRun runTool(const std::vector<std::string>& arguments) {
    return runProgram(SWEEPWISE_LEFTOVERS_TOOL, arguments);
}

} // namespace

TEST(LeftoversToolTest, ListsWhatTheHelperWouldOfferWithSizesAndTotal) {
    const std::string id = "com.example.tooled";
    const std::string caches = Sandbox::process().home() + "/Library/Caches/" + id;
    putFile(caches + "/blob", std::string(70000, 'c'));
    const std::string app = Sandbox::process().makeFolder("tool") + "/Tooled.app";
    makeAppBundle(app, id, "Tooled");

    const ProgramRun jsonRun = runTool({"--json", app});
    ASSERT_EQ(jsonRun.status, 0) << jsonRun.err;
    const auto document = nlohmann::json::parse(jsonRun.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << jsonRun.out;
    const auto& items = document["items"];
    ASSERT_EQ(items.size(), 2u) << jsonRun.out;
    EXPECT_EQ(items[0]["path"], app);
    EXPECT_EQ(items[1]["path"], caches);
    EXPECT_EQ(items[1]["groupName"], "caches");
    EXPECT_GE(items[1]["size"].get<std::uint64_t>(), 70000u);
    const std::uint64_t sum =
        items[0]["size"].get<std::uint64_t>() + items[1]["size"].get<std::uint64_t>();
    EXPECT_EQ(document["totalSize"].get<std::uint64_t>(), sum);

    EXPECT_EQ(items[1]["reason"], "standard place 1 (Library/Caches): identifier " + id);

    const ProgramRun text = runTool({app});
    EXPECT_NE(text.out.find("Total: " + NSStringFileSize::convertToStringFromFileSize(sum) + "\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find(caches + "\twhy: standard place 1 (Library/Caches): identifier " + id +
                            "\n"),
              std::string::npos)
        << text.out;
}

TEST(LeftoversToolTest, VerboseListsWhatTheSafetyPassTurnedAway) {
    const std::string agents = Sandbox::process().home() + "/Library/LaunchAgents/";
    putFile(agents + "com.example.verb.plist", "ours");
    putFile(agents + "com.example.verbose.plist", "theirs");
    const std::string app = Sandbox::process().makeFolder("tool") + "/Verb.app";
    makeAppBundle(app, "com.example.verb", "Verb");

    const ProgramRun text = runTool({"--verbose", app});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Not offered: 1\n  " + agents +
                            "com.example.verbose.plist\twhy not: continues com.example.verb "
                            "without a boundary (found by standard place 12"),
              std::string::npos)
        << text.out;

    const auto document = nlohmann::json::parse(runTool({"--json", "--verbose", app}).out, nullptr,
                                                false);
    ASSERT_EQ(document["dropped"].size(), 1u) << document;
    EXPECT_EQ(document["dropped"][0]["path"], agents + "com.example.verbose.plist");
    EXPECT_EQ(document["items"].size(), 2u);
    EXPECT_EQ(runTool({app}).out.find("Not offered"), std::string::npos);
}

// Status 1 is a failure to do what was asked, 2 a misuse that prints the usage.
TEST(LeftoversToolTest, ExitCodesForNothingFoundAndBadArguments) {
    const std::string folder = Sandbox::process().makeFolder("tool");
    makeAppBundle(folder + "/NoId.app", "", "NoId");
    putFile(folder + "/garbage.trforsa", "not a message\n{}");
    const struct {
        std::vector<std::string> arguments;
        int status;
    } cases[] = {
        {{"--help"}, 0},
        {{folder + "/NoId.app"}, 1},
        {{"read-message", folder + "/garbage.trforsa"}, 1},
        {{"--bogus"}, 2},
        {{"--json", "write-clear"}, 2},
        {{folder + "/NoId.app", folder + "/NoId.app"}, 2},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runTool(c.arguments);
        SCOPED_TRACE(c.arguments.empty() ? "" : c.arguments.back());
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ((c.status == 2 ? run.err : run.out).find("usage:") != std::string::npos,
                  c.status != 1);
    }
}
