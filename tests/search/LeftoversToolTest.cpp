#include "search/RemainsTestSupport.h"
#include "shell/FileMessage.h"
#include "shell/MessageFiles.h"
#include "shell/NSStringFileSize.h"
#include "shell/WatcherMessage.h"
#include "support/Sandbox.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace testing_support;
using remains_test::makeAppBundle;
using remains_test::putFile;

namespace {

struct ToolRun {
    int exitCode{-1};
    std::string out;
    std::string err;
};

// Runs the tool with the test's environment (and so its sandbox); a child that
// takes longer than the watchdog is killed and the test fails.
ToolRun runTool(const std::vector<std::string>& arguments) {
    ToolRun run;
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe";
        return run;
    }
    std::vector<char*> argv;
    std::string tool = SWEEPWISE_LEFTOVERS_TOOL;
    argv.push_back(tool.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            ADD_FAILURE() << "the tool did not finish";
            break;
        }
        if (poll(fds, 2, 100) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? run.out : run.err).append(buffer, static_cast<std::size_t>(got));
            }
        }
    }
    for (pollfd& fd : fds) {
        if (fd.fd >= 0)
            close(fd.fd);
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
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

    const ToolRun jsonRun = runTool({"--json", app});
    ASSERT_EQ(jsonRun.exitCode, 0) << jsonRun.err;
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
    EXPECT_EQ(document["totalSizeText"],
              NSStringFileSize::convertToStringFromFileSize(sum));

    const ToolRun text = runTool({app});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("Tooled (" + id + ")\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(library("Caches/" + id) + "\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(
                  "Total: " + NSStringFileSize::convertToStringFromFileSize(sum) + "\n"),
              std::string::npos)
        << text.out;
}

TEST(LeftoversToolTest, ExitCodesForNothingFoundAndBadArguments) {
    const std::string folder = Sandbox::process().makeFolder("tool");
    makeAppBundle(folder + "/NoId.app", "", "NoId");
    putFile(folder + "/garbage.trforsa", "not a message\n{}");
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
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
        const ToolRun run = runTool(c.arguments);
        std::string label;
        for (const std::string& argument : c.arguments)
            label += argument + " ";
        EXPECT_EQ(run.exitCode, c.exitCode) << label << "\n" << run.err;
        if (c.exitCode == 2) {
            EXPECT_NE(run.err.find("usage:"), std::string::npos) << label;
        }
        if (c.exitCode == 1) {
            EXPECT_FALSE(run.err.empty()) << label;
        }
    }
    EXPECT_NE(runTool({"--help"}).out.find("usage:"), std::string::npos);
}

TEST(LeftoversToolTest, WritesHelperMessagesThatTheHelperReads) {
    const ToolRun exclude = runTool({"write-exclude", "/Applications/A.app", "/tmp/b c"});
    ASSERT_EQ(exclude.exitCode, 0) << exclude.err;
    ASSERT_FALSE(exclude.out.empty());
    const std::string excludePath = exclude.out.substr(0, exclude.out.size() - 1);
    EXPECT_TRUE(NSStringFileSize::isInFolder(excludePath, MessageFiles::folderPath()));
    auto message = FileMessage::loadFromFile(excludePath);
    EXPECT_EQ(FileMessage::ReadExcludePaths(message.get()),
              (std::vector<std::string>{"/Applications/A.app", "/tmp/b c"}));

    const ToolRun clear = runTool({"write-clear"});
    ASSERT_EQ(clear.exitCode, 0) << clear.err;
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

    const ToolRun run = runTool({"--json", "read-message", *path});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto document = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << run.out;
    ASSERT_EQ(document["items"].size(), 2u);
    EXPECT_EQ(document["items"][0]["path"], "/Applications/M.app");
    EXPECT_FALSE(document["items"][0].contains("size"));
    EXPECT_EQ(document["items"][1]["size"], 8192);
    EXPECT_EQ(document["totalSize"], 8192);
    EXPECT_EQ(access(path->c_str(), F_OK), 0);
}
