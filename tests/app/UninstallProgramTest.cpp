#include "platform/Path.h"
#include "removal/TrashMover.h"
#include "shell/TrashInfo.h"
#include "support/FileTestSupport.h"
#include "support/ProgramRun.h"
#include "support/Sandbox.h"

#include <csignal>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

using namespace testing_support;

namespace {

const std::string kHeader = "---=== Sweepwise Agent Watcher Message v2 ===---\n";

ProgramRun sweepwise(const std::vector<std::string>& arguments) {
    return runProgram(SWEEPWISE_MAIN_EXECUTABLE, arguments);
}

// A watcher message naming `paths`, in a fresh folder.
std::string writeMessage(const std::vector<std::string>& paths) {
    nlohmann::json items = nlohmann::json::array();
    for (const std::string& path : paths)
        items.push_back({{"type", "8"}, {"path", path}, {"bundleId", "com.example.cli"}});
    const std::string message = Sandbox::process().makeFolder("message") + "/m.trforsa";
    writeFile(message, kHeader + nlohmann::json{{"items", items}}.dump());
    return message;
}

// Leftovers in a folder of their own: files and one folder, each with its own contents.
std::vector<std::string> makeLeftovers(const std::string& hint, int count) {
    const std::string unique = platform::Path::lastComponent(Sandbox::process().makeFolder(hint));
    const std::string folder = Sandbox::process().home() + "/Library/Caches/" + unique;
    makeDirs(folder);
    std::vector<std::string> paths;
    for (int index = 0; index < count; ++index) {
        paths.push_back(folder + "/com.example.cli." + unique + "." + std::to_string(index));
        if (index == 1) {
            makeDirs(paths.back() + "/sub");
            writeFile(paths.back() + "/sub/data", "folder " + std::to_string(index));
        } else {
            writeFile(paths.back(), "file " + std::to_string(index));
        }
    }
    return paths;
}

std::string contentsOf(const std::string& path, int index) {
    return readFile(index == 1 ? path + "/sub/data" : path);
}

bool exists(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

} // namespace

TEST(UninstallProgram, ListsThenMovesThenPutsBack) {
    const std::vector<std::string> paths = makeLeftovers("cli", 4);
    std::vector<std::string> offered = paths;
    offered.push_back("/etc");
    offered.push_back(paths[0] + "/../x");
    const std::string message = writeMessage(offered);
    const std::string trash = Sandbox::process().home() + "/.local/share/Trash";

    ProgramRun listed = sweepwise({"uninstall", message});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("move\t" + paths[2] + "\t" + trash + "\n"), std::string::npos)
        << listed.out;
    EXPECT_NE(listed.out.find("stay\t/etc\toutside the home folder\n"), std::string::npos);
    EXPECT_NE(listed.out.find("would move 4 items"), std::string::npos);
    EXPECT_TRUE(exists(message) && exists(paths[0])) << "a listing moves nothing";

    ProgramRun moved = sweepwise({"uninstall", "--yes", "--json", message});
    EXPECT_EQ(moved.status, 5) << "two items stayed: " << moved.out << moved.err;
    auto report = nlohmann::json::parse(moved.out, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << moved.out;
    EXPECT_EQ(report["moved"].size(), 4u);
    EXPECT_EQ(report["stayed"].size(), 2u);
    EXPECT_FALSE(exists(message) || exists(paths[0])) << "the message is used up";

    EXPECT_EQ(sweepwise({"restore"}).status, 0);
    EXPECT_EQ(contentsOf(paths[1], 1), "folder 1");
    EXPECT_EQ(sweepwise({"restore"}).status, 1) << "nothing left to put back";
}

TEST(UninstallProgram, RefusesWrongUsage) {
    const std::string message = writeMessage({"/tmp/x"});
    const struct {
        std::vector<std::string> arguments;
        int status;
    } cases[] = {
        {{"uninstall"}, 2},
        {{"uninstall", "notes.txt"}, 2},
        {{"uninstall", "--force", message}, 2},
        {{"uninstall", message, message}, 2},
        {{"restore", "--all"}, 2},
        {{"uninstall", "--yes", message + ".missing.trforsa"}, 1},
    };
    for (const auto& test : cases) {
        ProgramRun run = sweepwise(test.arguments);
        EXPECT_EQ(run.status, test.status) << test.arguments.back() << run.err;
        EXPECT_FALSE(run.err.empty());
    }
}

// The program is killed between the steps of a move: every item is still where it was,
// or in the Trash with its information, and `restore` brings all of them back.
TEST(UninstallProgram, AKillAtAnyStepLosesNothing) {
    const std::string info = Sandbox::process().home() + "/.local/share/Trash/info";
    for (const char* step :
         {"info-written:1", "info-written:3", "renamed:1", "renamed:2", "journaled:3"}) {
        SCOPED_TRACE(step);
        const std::vector<std::string> paths = makeLeftovers("kill", 4);
        const std::string message = writeMessage(paths);
        setenv("SWEEPWISE_UNINSTALL_KILL_AT", step, 1);
        ProgramRun killed = sweepwise({"uninstall", "--yes", message});
        unsetenv("SWEEPWISE_UNINSTALL_KILL_AT");
        EXPECT_EQ(killed.status, 128 + SIGKILL)
            << "killed, not ended: " << killed.out << killed.err;

        int inTrash = 0;
        for (int index = 0; index < 4; ++index) {
            const std::string name = paths[index].substr(paths[index].rfind('/') + 1);
            const std::string trashed = info + "/../files/" + name;
            if (exists(paths[index])) {
                EXPECT_FALSE(exists(trashed));
                continue;
            }
            ++inTrash;
            std::optional<TrashInfo> record = TrashInfo::read(info + "/" + name + ".trashinfo", "");
            ASSERT_TRUE(record) << name << " is in the Trash without its information";
            EXPECT_EQ(record->originalPath(), paths[index]);
            EXPECT_EQ(contentsOf(trashed, index), contentsOf(trashed, index));
        }
        EXPECT_LT(inTrash, 4);

        ProgramRun back = sweepwise({"restore"});
        EXPECT_EQ(back.status, inTrash ? 0 : 1) << back.out << back.err;
        for (int index = 0; index < 4; ++index) {
            const std::string name = paths[index].substr(paths[index].rfind('/') + 1);
            EXPECT_EQ(contentsOf(paths[index], index),
                      index == 1 ? "folder 1" : "file " + std::to_string(index));
            EXPECT_FALSE(exists(info + "/" + name + ".trashinfo")) << "no information left over";
        }
    }
}
