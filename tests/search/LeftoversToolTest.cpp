#include "search/RemainsTestSupport.h"
#include "shell/FileMessage.h"
#include "shell/MessageFiles.h"
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

std::string library(const std::string& sub) {
    return Sandbox::process().home() + "/Library/" + sub;
}

} // namespace

TEST(LeftoversToolTest, ListsWhatTheHelperWouldOfferWithSizesAndTotal) {
    const std::string id = "com.example.tooled";
    putFile(library("Preferences/" + id + ".plist"), std::string(3000, 'p'));
    putFile(library("Caches/" + id + "/blob"), std::string(70000, 'c'));
    const std::string app = Sandbox::process().makeFolder("tool") + "/Tooled.app";
    makeAppBundle(app, id, "Tooled");

    const ProgramRun jsonRun = runTool({"--json", app});
    ASSERT_EQ(jsonRun.status, 0) << jsonRun.err;
    const auto document = nlohmann::json::parse(jsonRun.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << jsonRun.out;
    EXPECT_EQ(document["bundleId"], id);
    EXPECT_EQ(document["appName"], "Tooled");
    const auto& items = document["items"];
    ASSERT_EQ(items.size(), 3u) << jsonRun.out;
    EXPECT_EQ(items[0]["path"], app);
    EXPECT_EQ(items[0]["group"], 0);
    EXPECT_EQ(items[1]["path"], library("Caches/" + id));
    EXPECT_EQ(items[1]["groupName"], "caches");
    EXPECT_EQ(items[2]["path"], library("Preferences/" + id + ".plist"));
    EXPECT_EQ(items[2]["group"], 10);
    std::uint64_t sum = 0;
    for (const auto& item : items)
        sum += item["size"].get<std::uint64_t>();
    EXPECT_GE(items[1]["size"].get<std::uint64_t>(), 70000u);
    EXPECT_EQ(document["totalSize"].get<std::uint64_t>(), sum);
    EXPECT_EQ(document["totalSizeText"], NSStringFileSize::convertToStringFromFileSize(sum));

    const ProgramRun text = runTool({app});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Tooled (" + id + ")\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(library("Caches/" + id) + "\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Total: " + NSStringFileSize::convertToStringFromFileSize(sum) + "\n"),
              std::string::npos)
        << text.out;
}

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
        {{folder + "/Missing.app"}, 1},
        {{"read-message", folder + "/garbage.trforsa"}, 1},
        {{"read-message", folder + "/missing.trforsa"}, 1},
        {{"read-message", folder}, 1},
        {{}, 2},
        {{"--bogus"}, 2},
        {{"read-message"}, 2},
        {{"read-message", "a", "b"}, 2},
        {{"write-exclude"}, 2},
        {{"write-clear", "extra"}, 2},
        {{"--json", "write-clear"}, 2},
        {{folder + "/NoId.app", folder + "/NoId.app"}, 2},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runTool(c.arguments);
        std::string label;
        for (const std::string& argument : c.arguments)
            label += argument + " ";
        EXPECT_EQ(run.status, c.status) << label << "\n" << run.err;
        if (c.status == 2) {
            EXPECT_NE(run.err.find("usage:"), std::string::npos) << label;
        }
        if (c.status == 1) {
            EXPECT_FALSE(run.err.empty()) << label;
        }
    }
    EXPECT_NE(runTool({"--help"}).out.find("usage:"), std::string::npos);
}

TEST(LeftoversToolTest, WritesHelperMessagesThatTheHelperReads) {
    const ProgramRun exclude = runTool({"write-exclude", "/Applications/A.app", "/tmp/b c"});
    ASSERT_EQ(exclude.status, 0) << exclude.err;
    ASSERT_FALSE(exclude.out.empty());
    const std::string excludePath = exclude.out.substr(0, exclude.out.size() - 1);
    EXPECT_TRUE(NSStringFileSize::isInFolder(excludePath, MessageFiles::folderPath()));
    auto message = FileMessage::loadFromFile(excludePath);
    EXPECT_EQ(FileMessage::ReadExcludePaths(message.get()),
              (std::vector<std::string>{"/Applications/A.app", "/tmp/b c"}));

    const ProgramRun clear = runTool({"write-clear"});
    ASSERT_EQ(clear.status, 0) << clear.err;
    auto cancel = FileMessage::loadFromFile(clear.out.substr(0, clear.out.size() - 1));
    EXPECT_TRUE(FileMessage::ReadCancelExcludeRemovedPathsFromMessage(cancel.get()));
}

TEST(LeftoversToolTest, ReadsAWatcherMessageWithoutConsumingIt) {
    auto first = PathForRemove::create("/home/u/Library/Caches/com.example.m", 8, "com.example.m");
    auto second = PathForRemove::create("/Applications/M.app", 0, "com.example.m");
    first->setSize(8192);
    WatcherMessage message;
    message.setPathsForRemove({second, first});
    std::optional<std::string> path = message.saveForTransmit();
    ASSERT_TRUE(path);

    const ProgramRun run = runTool({"--json", "read-message", *path});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto document = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << run.out;
    ASSERT_EQ(document["items"].size(), 2u);
    EXPECT_EQ(document["items"][0]["path"], "/Applications/M.app");
    EXPECT_FALSE(document["items"][0].contains("size"));
    EXPECT_EQ(document["items"][1]["size"], 8192);
    EXPECT_EQ(document["totalSize"], 8192);
    EXPECT_EQ(access(path->c_str(), F_OK), 0);
}
