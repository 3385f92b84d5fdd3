#include "platform/MainQueue.h"
#include "search/KnowledgeBaseTestSupport.h"
#include "search/SimpleRemainsInfo.h"
#include "shell/NSStringFileSize.h"
#include "support/ProgramRun.h"
#include "support/Sandbox.h"

#include <chrono>
#include <filesystem>
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

TEST(LeftoversToolTest, VerboseListsWhatTheSafetyPassTurnedAway) {
    // The crash-report row takes names that start with the executable's; another
    // application's reports run on past it without a boundary.
    const std::string reports =
        Sandbox::process().home() + "/Library/Application Support/CrashReporter/";
    putFile(reports + "Verb_1A2B.plist", "ours");
    putFile(reports + "Verbose_3C4D.plist", "theirs");
    const std::string app = Sandbox::process().makeFolder("tool") + "/Verb.app";
    makeAppBundle(app, "com.example.verb", "Verb");

    const ProgramRun text = runTool({"--verbose", app});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Not offered: 1\n  " + reports +
                            "Verbose_3C4D.plist\twhy not: continues Verb "
                            "without a boundary (found by standard place 13"),
              std::string::npos)
        << text.out;

    const auto document =
        nlohmann::json::parse(runTool({"--json", "--verbose", app}).out, nullptr, false);
    ASSERT_EQ(document["dropped"].size(), 1u) << document;
    EXPECT_EQ(document["dropped"][0]["path"], reports + "Verbose_3C4D.plist");
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

// The dry run is the helper: a tool run from a build tree (build/<preset>/tools/<tool>/)
// finds the main application the build made beside it and searches with its embedded
// knowledge base, as the helper inside that application does. It lists the same items
// in the same order, each with its group, reason and size, and their total.
TEST(LeftoversToolTest, DryRunFromTheBuildTreeListsWhatTheHelperOffersWithSizesAndTotal) {
    const std::string shipped = testing_support::readFile(std::string(SWEEPWISE_SOURCE_DIR) +
                                                          "/resources/knowledge/default.xml");
    const std::string helper = kb_test::makeMainApplication(kb_test::pack(shipped));
    const std::string buildTree = helper.substr(0, helper.find("/Sweepwise.app/"));
    const std::string tool = buildTree + "/tools/leftovers/leftovers";
    std::filesystem::create_directories(buildTree + "/tools/leftovers");
    std::filesystem::copy_file(SWEEPWISE_LEFTOVERS_TOOL, tool);

    const std::string id = "com.example.dryrun";
    const std::string library = Sandbox::process().home() + "/Library/";
    const std::string caches = library + "Caches/" + id;
    putFile(caches + "/blob", std::string(70000, 'c'));
    putFile(library + "HTTPStorages/" + id + "/httpstorages.sqlite", "rule");
    putFile(library + "Containers/" + id + ".ShareExtension/Data/x", "rule");
    putFile(library + "Application Support/DryRun Studio/state", "rule, by bundle name");
    const std::string app = Sandbox::process().makeFolder("dry") + "/DryRun.app";
    putFile(app + "/Contents/Info.plist",
            "<plist version=\"1.0\"><dict>"
            "<key>CFBundleIdentifier</key><string>" +
                id +
                "</string>"
                "<key>CFBundleExecutable</key><string>DryRun</string>"
                "<key>CFBundleName</key><string>DryRun Studio</string>"
                "</dict></plist>");

    const ProgramRun run = runProgram(tool, {"--json", app});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto document = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << run.out;
    std::vector<std::pair<std::string, int>> dryRun;
    std::uint64_t sum = 0;
    for (const auto& item : document["items"]) {
        dryRun.emplace_back(item["path"].get<std::string>(), item["group"].get<int>());
        sum += item["size"].get<std::uint64_t>();
    }
    EXPECT_EQ(document["totalSize"].get<std::uint64_t>(), sum);
    // The standard place and the shipped knowledge base's rule over the caches both find it.
    const std::string why = "standard place 1 (Library/Caches): identifier " + id +
                            "; knowledge-base rule " + library + "Caches: identifier " + id;
    ASSERT_GE(document["items"].size(), 2u) << run.out;
    const auto& cached = document["items"][1];
    EXPECT_EQ(cached["path"], caches);
    EXPECT_EQ(cached["groupName"], "caches");
    EXPECT_EQ(cached["reason"], why);
    EXPECT_GE(cached["size"].get<std::uint64_t>(), 70000u);

    auto bundle = platform::Bundle::create(app);
    ASSERT_NE(bundle, nullptr);
    auto search =
        KnowledgeBaseSimpleSearchInfo::generateForBundle(bundle, KnowledgeBasePathSearcher(helper));
    ASSERT_NE(search, nullptr);
    auto info = SimpleRemainsInfo::create(bundle, {});
    info->appendKnowledgeBaseInfo(*search);
    std::vector<std::shared_ptr<PathForRemove>> records;
    info->addRemoveObjectPathsToArray(records);
    std::vector<std::pair<std::string, int>> helperOffer;
    for (const auto& record : records)
        helperOffer.emplace_back(record->path(), record->type());
    EXPECT_EQ(dryRun, helperOffer);
    EXPECT_EQ(dryRun.size(), 5u) << run.out;
    for (const std::string& found : {"HTTPStorages/" + id, "Containers/" + id + ".ShareExtension",
                                     std::string("Application Support/DryRun Studio")})
        EXPECT_NE(run.out.find(library + found), std::string::npos) << found << run.out;
    EXPECT_TRUE(platform::MainQueue::shared().runUntil(
        [&] { return info->pendingSizeCount() == 0; }, std::chrono::seconds(30)));

    const ProgramRun text = runProgram(tool, {app});
    EXPECT_NE(text.out.find("Total: " + NSStringFileSize::convertToStringFromFileSize(sum) + "\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find(caches + "\twhy: " + why + "\n"), std::string::npos) << text.out;
}
