#include "support/Sandbox.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <vector>

using namespace testing_support;

namespace {

const std::string kDocument = R"(<base>
  <rules><rule path="~/Library/Caches" deep="1"><f group="caches"/></rule><rule path="/x"/></rules>
  <domains>
    <d v="com.example.One"><g v="caches"><f>~/Library/Caches/One</f><f/></g>
      <g v="cookie"><f>~/Library/Cookies/one.binarycookies</f></g></d>
    <d v="com.example.Two"><g v="system"><f>/Library/Two</f></g><g v="cookie"><f>/c</f></g></d>
    <d vId="nonsense"><g v="caches"><f>/lost</f></g></d>
  </domains>
</base>
)";

struct ToolRun {
    int status{-1};
    std::string out;
    std::string err;
};

ToolRun kbtool(const std::string& arguments) {
    static int counter = 0;
    const std::string folder =
        Sandbox::process().makeFolder("kbtool-run" + std::to_string(++counter));
    const std::string command = std::string("'") + SWEEPWISE_KBTOOL + "' " + arguments + " >'" +
                                folder + "/out' 2>'" + folder + "/err'";
    const int raw = std::system(command.c_str());
    ToolRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readFile(folder + "/out");
    run.err = readFile(folder + "/err");
    return run;
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

TEST(Kbtool, PackThenUnpackGivesTheSameBytesAndCheckReadsBothForms) {
    const std::string folder = Sandbox::process().makeFolder();
    writeFile(folder + "/in.xml", kDocument);
    ASSERT_EQ(
        kbtool("pack " + quoted(folder + "/in.xml") + " " + quoted(folder + "/kb.cer")).status, 0);
    EXPECT_EQ(readFile(folder + "/kb.cer").find("Caches"), std::string::npos);
    EXPECT_EQ(readFile(folder + "/kb.cer").find("com.example"), std::string::npos);
    ASSERT_EQ(
        kbtool("unpack " + quoted(folder + "/kb.cer") + " " + quoted(folder + "/out.xml")).status,
        0);
    EXPECT_EQ(readFile(folder + "/out.xml"), kDocument);

    const std::string expected = "domains: 2\nrecords: 2\nrules: 2\nunrestorable identifiers: 1\n"
                                 "unknown group names: 2\n  \"cookie\" x2\n";
    for (const char* name : {"/in.xml", "/kb.cer"}) {
        ToolRun run = kbtool("check " + quoted(folder + name));
        EXPECT_EQ(run.status, 0) << name;
        EXPECT_EQ(run.out, expected) << name;
    }
}

TEST(Kbtool, ExistingOutputIsOnlyReplacedWithForce) {
    const std::string folder = Sandbox::process().makeFolder();
    writeFile(folder + "/in.xml", kDocument);
    writeFile(folder + "/kb.cer", "keep me");
    ToolRun refused =
        kbtool("pack " + quoted(folder + "/in.xml") + " " + quoted(folder + "/kb.cer"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("already exists"), std::string::npos);
    EXPECT_EQ(readFile(folder + "/kb.cer"), "keep me");

    ASSERT_EQ(
        kbtool("pack --force " + quoted(folder + "/in.xml") + " " + quoted(folder + "/kb.cer"))
            .status,
        0);
    writeFile(folder + "/out.xml", "keep me too");
    EXPECT_EQ(
        kbtool("unpack " + quoted(folder + "/kb.cer") + " " + quoted(folder + "/out.xml")).status,
        1);
    EXPECT_EQ(readFile(folder + "/out.xml"), "keep me too");
    EXPECT_EQ(kbtool("unpack " + quoted(folder + "/kb.cer") + " " + quoted(folder + "/out.xml") +
                     " --force")
                  .status,
              0);
    EXPECT_EQ(readFile(folder + "/out.xml"), kDocument);
}

TEST(Kbtool, BadInputAndWrongUsageHaveTheirOwnExitCodes) {
    const std::string folder = Sandbox::process().makeFolder();
    writeFile(folder + "/in.xml", kDocument);
    writeFile(folder + "/other.xml", "<notbase><domains/></notbase>");
    writeFile(folder + "/empty.xml", "");
    writeFile(folder + "/plain.cer", kDocument);
    const std::string in = quoted(folder + "/in.xml");
    const std::string out = quoted(folder + "/new");
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"", 2, "no command"},
        {"frobnicate", 2, "unknown command"},
        {"pack " + in, 2, "needs an input and an output"},
        {"pack " + in + " " + out + " extra", 2, "needs an input and an output"},
        {"check", 2, "exactly one input"},
        {"check --force " + in, 2, "exactly one input"},
        {"pack --quiet " + in + " " + out, 2, "unknown option"},
        {"pack " + quoted(folder + "/missing.xml") + " " + out, 1, "cannot be read"},
        {"pack " + quoted(folder + "/other.xml") + " " + out, 1, "not a knowledge-base document"},
        {"pack " + quoted(folder + "/empty.xml") + " " + out, 1, "not a knowledge-base document"},
        {"pack " + in + " " + quoted(folder + "/no/such/folder/x.cer"), 1, "cannot be written"},
        {"unpack " + in + " " + out, 1, "not a knowledge-base container"},
        {"check " + quoted(folder + "/plain.cer"), 1, "not a knowledge-base container"},
        {"check " + quoted(folder + "/other.xml"), 1, "not a knowledge-base document"},
        {"check " + quoted(folder), 1, "cannot be read"},
    };
    for (const Case& c : cases) {
        ToolRun run = kbtool(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << c.arguments;
    }
    ToolRun help = kbtool("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: kbtool pack"), std::string::npos);
    EXPECT_FALSE(std::system(("test -e " + out).c_str()) == 0) << "no output after failures";
}

} // namespace
