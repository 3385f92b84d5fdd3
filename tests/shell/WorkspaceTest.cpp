#include "shell/Workspace.h"

#include "MessageTestSupport.h"
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

struct Recorded {
    std::vector<std::string> arguments;
    pid_t parent{0};
    pid_t session{0};
};

// The recorder's output: the argument count and arguments, then the stat fields
// after the command name (" S ppid pgrp session ...").
Recorded recorded(const std::string& path) {
    std::istringstream in(readFile(path));
    Recorded result;
    std::string line, state;
    std::getline(in, line);
    for (int count = std::stoi(line); count > 0 && std::getline(in, line); --count)
        result.arguments.push_back(line);
    pid_t group = 0;
    in >> state >> result.parent >> group >> result.session;
    return result;
}

void expectNoChildLeft() {
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

} // namespace

TEST(Workspace, StartsTheApplicationDetachedWithTheFileAsItsOnlyArgument) {
    std::string folder = Sandbox::process().makeFolder("open");
    std::string out = folder + "/recorded";
    makeApp(folder + "/Main.app", "com.example.main", recorderScript(out));
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
