#include "support/ProgramRun.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <string>
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

} // namespace
