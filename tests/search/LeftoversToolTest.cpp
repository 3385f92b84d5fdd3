#include "search/RemainsTestSupport.h"
#include "shell/FileMessage.h"
#include "shell/NSStringFileSize.h"
#include "shell/WatcherMessage.h"
#include "support/ProgramRun.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <unistd.h>
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
    EXPECT_EQ(document["bundleId"], id);
    EXPECT_EQ(document["appName"], "Tooled");
    const auto& items = document["items"];
    ASSERT_EQ(items.size(), 2u) << jsonRun.out;
    EXPECT_EQ(items[0]["path"], app);
    EXPECT_EQ(items[1]["path"], caches);
    EXPECT_EQ(items[1]["group"], 8);
    EXPECT_EQ(items[1]["groupName"], "caches");
    EXPECT_GE(items[1]["size"].get<std::uint64_t>(), 70000u);
    const std::uint64_t sum =
        items[0]["size"].get<std::uint64_t>() + items[1]["size"].get<std::uint64_t>();
    EXPECT_EQ(document["totalSize"].get<std::uint64_t>(), sum);

    const ProgramRun text = runTool({app});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Tooled (" + id + ")\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Total: " + NSStringFileSize::convertToStringFromFileSize(sum) + "\n"),
              std::string::npos)
        << text.out;
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
        {{}, 2},
        {{"--bogus"}, 2},
        {{"read-message", "a", "b"}, 2},
        {{"write-exclude"}, 2},
        {{"write-clear", "extra"}, 2},
        {{"--json", "write-clear"}, 2},
        {{folder + "/NoId.app", folder + "/NoId.app"}, 2},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runTool(c.arguments);
        SCOPED_TRACE(c.arguments.empty() ? "" : c.arguments.back());
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ((c.status == 2 ? run.err : run.out).find("usage:") != std::string::npos,
                  c.status != 1);
        if (c.status == 1)
            EXPECT_FALSE(run.err.empty());
    }
}

TEST(LeftoversToolTest, WritesHelperMessagesAndReadsWatcherMessagesWithoutConsumingThem) {
    const ProgramRun exclude = runTool({"write-exclude", "/Applications/A.app", "/tmp/b c"});
    ASSERT_EQ(exclude.status, 0) << exclude.err;
    ASSERT_FALSE(exclude.out.empty());
    auto message = FileMessage::loadFromFile(exclude.out.substr(0, exclude.out.size() - 1));
    EXPECT_EQ(FileMessage::ReadExcludePaths(message.get()),
              (std::vector<std::string>{"/Applications/A.app", "/tmp/b c"}));
    const ProgramRun clear = runTool({"write-clear"});
    ASSERT_EQ(clear.status, 0) << clear.err;
    auto cancel = FileMessage::loadFromFile(clear.out.substr(0, clear.out.size() - 1));
    EXPECT_TRUE(FileMessage::ReadCancelExcludeRemovedPathsFromMessage(cancel.get()));

    auto first = PathForRemove::create("/home/u/Library/Caches/com.example.m", 8, "com.example.m");
    auto second = PathForRemove::create("/Applications/M.app", 0, "com.example.m");
    first->setSize(8192);
    WatcherMessage watcherMessage;
    watcherMessage.setPathsForRemove({second, first});
    std::optional<std::string> path = watcherMessage.saveForTransmit();
    ASSERT_TRUE(path);
    const ProgramRun run = runTool({"--json", "read-message", *path});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto document = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << run.out;
    ASSERT_EQ(document["items"].size(), 2u);
    EXPECT_EQ(document["items"][0]["path"], "/Applications/M.app");
    EXPECT_FALSE(document["items"][0].contains("size"));
    EXPECT_EQ(document["totalSize"], 8192);
    EXPECT_EQ(access(path->c_str(), F_OK), 0);
}
