#include "shell/Workspace.h"

#include "MessageTestSupport.h"
#include "shell/PathsGenerator.h"
#include "support/Sandbox.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace testing_support;
using namespace message_testing;

namespace {

// A program that records its arguments, its parent and its session in `out`,
// written under a temporary name first so that the file appears complete.
std::string recorderScript(const std::string& out) {
    return "#!/bin/sh\n"
           "{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done;"
           " cut -d')' -f2- /proc/$$/stat; } > '" +
           out + ".part'\nmv '" + out + ".part' '" + out + "'\n";
}

std::vector<std::string> lines(const std::string& path) {
    std::istringstream in(readFile(path));
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

struct Recorded {
    std::vector<std::string> arguments;
    pid_t parent{0};
    pid_t session{0};
};

// The recorder's output: the argument count and arguments, then the stat fields
// after the command name (" S ppid pgrp session ...").
Recorded recorded(const std::string& path) {
    Recorded result;
    auto all = lines(path);
    if (all.empty())
        return result;
    std::size_t count = std::stoul(all.front());
    if (all.size() < count + 2)
        return result;
    result.arguments.assign(all.begin() + 1, all.begin() + 1 + count);
    std::istringstream stat(all[count + 1]);
    std::string state;
    pid_t group = 0;
    stat >> state >> result.parent >> group >> result.session;
    return result;
}

void expectNoChildLeft() {
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

} // namespace

TEST(Workspace, FindsInstalledCopiesInBothApplicationsFolders) {
    const std::string system = PathsGenerator::GetInstance().buildSystemApplicationsDirectory();
    const std::string user = PathsGenerator::GetInstance().buildUserApplicationsDirectory();
    ASSERT_EQ(system, Sandbox::process().root() + "/Applications");
    const std::string id = "com.example.scanned";
    makeApp(system + "/Scanned.app", id);
    makeApp(system + "/Utilities/Scanned Copy.app", "COM.Example.Scanned");
    makeApp(system + "/A/B/Third Level.app", id);
    makeApp(system + "/A/B/C/Too Deep.app", id);
    makeApp(system + "/Other.app/Contents/Helpers/Inside.app", id);
    makeApp(system + "/Tools.bundle/Contents/Hidden.app", id);
    std::string outside = Sandbox::process().makeFolder("outside");
    makeApp(outside + "/Linked.app", id);
    ASSERT_EQ(symlink((outside + "/Linked.app").c_str(), (system + "/Linked.app").c_str()), 0);
    makeApp(user + "/Mine.app", id);

    auto workspace = Workspace::createSystemWorkspace();
    EXPECT_EQ(
        workspace->allApplicationPathsForBundleIdentifier(id),
        (std::vector<std::string>{system + "/A/B/Third Level.app", system + "/Scanned.app",
                                  system + "/Utilities/Scanned Copy.app", user + "/Mine.app"}));
    EXPECT_EQ(workspace->absolutePathForAppBundleWithIdentifier(id),
              system + "/A/B/Third Level.app");
    EXPECT_FALSE(workspace->absolutePathForAppBundleWithIdentifier("com.example.absent"));
}

TEST(Workspace, StartsTheApplicationDetachedWithTheFileAsItsOnlyArgument) {
    std::string folder = Sandbox::process().makeFolder("open");
    std::string out = folder + "/recorded";
    makeApp(folder + "/Main.app", "com.example.main", recorderScript(out));
    // Anything a shell would split or expand.
    std::string file = folder + "/a file; $(echo x) `id` \"q\" * ✓.trforsa";
    writeFile(file, "x");

    auto workspace = Workspace::createSystemWorkspace();
    ASSERT_TRUE(
        workspace->openFile(file, folder + "/Main.app", Workspace::Deactivation::DeactivateSender));
    expectNoChildLeft();
    ASSERT_TRUE(waitForFile(out));
    Recorded run = recorded(out);
    EXPECT_EQ(run.arguments, std::vector<std::string>{file});
    EXPECT_NE(run.parent, getpid());
    EXPECT_NE(run.session, getsid(0));

    // An application opened with itself starts without a file.
    unlink(out.c_str());
    ASSERT_TRUE(workspace->openFile(folder + "/Main.app", folder + "/Main.app",
                                    Workspace::Deactivation::DeactivateSender));
    ASSERT_TRUE(waitForFile(out));
    EXPECT_TRUE(recorded(out).arguments.empty());
    expectNoChildLeft();
}

TEST(Workspace, AnswersFalseWhenNothingCanBeStarted) {
    std::string folder = Sandbox::process().makeFolder("unopenable");
    makeApp(folder + "/NoExecutable.app", "com.example.none");
    makeApp(folder + "/NotExecutable.app", "com.example.mode", "#!/bin/sh\n");
    chmod((folder + "/NotExecutable.app/Contents/MacOS/run").c_str(), 0644);
    // Executable by its mode, but no format the kernel can run.
    makeApp(folder + "/Broken.app", "com.example.broken", "garbage without an interpreter line");
    makeDirs(folder + "/Plain Folder");
    writeFile(folder + "/file", "x");
    auto workspace = Workspace::createSystemWorkspace();
    const auto deactivate = Workspace::Deactivation::DeactivateSender;
    for (const std::string app : {"/NoExecutable.app", "/NotExecutable.app", "/Broken.app",
                                  "/Plain Folder", "/Missing.app"})
        EXPECT_FALSE(workspace->openFile(folder + "/file", folder + app, deactivate)) << app;
    EXPECT_FALSE(workspace->openFile(folder + "/file", "", deactivate));
    expectNoChildLeft();
}

TEST(Workspace, OpensAddressesWithTheDesktopOpenerWhenThereIsOne) {
    std::string bin = Sandbox::process().makeFolder("bin");
    std::string out = bin + "/opened";
    writeFile(bin + "/xdg-open", recorderScript(out));
    chmod((bin + "/xdg-open").c_str(), 0755);

    auto workspace = Workspace::createSystemWorkspace("relative/bin:" + bin);
    ASSERT_TRUE(workspace->openURL("https://example.com/help?a=1&b=2 x"));
    ASSERT_TRUE(waitForFile(out));
    EXPECT_EQ(recorded(out).arguments,
              std::vector<std::string>{"https://example.com/help?a=1&b=2 x"});
    EXPECT_FALSE(workspace->openURL("--version"));
    EXPECT_FALSE(workspace->openURL(""));
    EXPECT_FALSE(Workspace::createSystemWorkspace(Sandbox::process().makeFolder("empty-bin"))
                     ->openURL("https://example.com"));
    expectNoChildLeft();
}
