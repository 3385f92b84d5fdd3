#include "support/ProgramRun.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
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

ProgramRun kbtool(const std::vector<std::string>& arguments) {
    return runProgram(SWEEPWISE_KBTOOL, arguments);
}

TEST(Kbtool, PacksUnpacksAndChecksWithoutEverReplacingAFileUnasked) {
    const std::string folder = Sandbox::process().makeFolder();
    const std::string in = folder + "/in.xml", packed = folder + "/kb.cer";
    writeFile(in, kDocument);
    writeFile(packed, "keep me");
    ProgramRun refused = kbtool({"pack", in, packed});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("already exists"), std::string::npos);
    EXPECT_EQ(readFile(packed), "keep me");

    ASSERT_EQ(kbtool({"pack", "--force", in, packed}).status, 0);
    EXPECT_EQ(readFile(packed).find("com.example"), std::string::npos);
    EXPECT_EQ(kbtool({"unpack", packed, in}).status, 1);
    ASSERT_EQ(kbtool({"unpack", packed, in, "--force"}).status, 0);
    EXPECT_EQ(readFile(in), kDocument);
    for (const std::string& path : {in, packed}) {
        ProgramRun run = kbtool({"check", path});
        EXPECT_EQ(run.status, 0) << path;
        EXPECT_EQ(run.out, "domains: 2\nrecords: 2\nrules: 2\nunrestorable identifiers: 1\n"
                           "unknown group names: 2\n  \"cookie\" x2\n")
            << path;
    }
}

TEST(Kbtool, BadInputAndWrongUsageHaveTheirOwnExitCodes) {
    const std::string folder = Sandbox::process().makeFolder();
    const std::string in = folder + "/in.xml", out = folder + "/new";
    writeFile(in, kDocument);
    writeFile(folder + "/other.xml", "<notbase><domains/></notbase>");
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{}, 2, "no command"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"pack", in, out, "extra"}, 2, "needs an input and an output"},
        {{"check", "--force", in}, 2, "exactly one input"},
        {{"pack", "--quiet", in, out}, 2, "unknown option"},
        {{"pack", folder + "/missing.xml", out}, 1, "cannot be read"},
        {{"pack", folder + "/other.xml", out}, 1, "not a knowledge-base document"},
        {{"pack", in, folder + "/no/such/folder/x.cer"}, 1, "cannot be written"},
        {{"unpack", in, out}, 1, "not a knowledge-base container"},
    };
    for (const auto& [arguments, status, message] : cases) {
        ProgramRun run = kbtool(arguments);
        EXPECT_EQ(run.status, status) << message;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << message;
    }
    EXPECT_NE(access(out.c_str(), F_OK), 0) << "no output after failures";
}

} // namespace
