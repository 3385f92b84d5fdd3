#include "ContainerTestSupport.h"
#include "knowledge/ContainerScratchFolder.h"
#include "knowledge/ContainerZipReader.h"
#include "knowledge/DataChangeCommon.h"
#include "knowledge/DataDecompressor.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace container_test;

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::optional<SecureBuffer>
unzipQuietly(const std::string& zip, std::uint64_t limit = DataDecompressor::kUnpackedSizeLimit) {
    testing::internal::CaptureStderr();
    auto contents = DataDecompressor::unzippedData(bytes(zip), limit);
    testing::internal::GetCapturedStderr();
    return contents;
}

} // namespace

class ContainerUnpackingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ContainerScratchFolder::create(DataChangeCommon::buildTempPath());
        m_before = listTree(m_tmp);
    }
    void TearDown() override { EXPECT_EQ(listTree(m_tmp), m_before); }

    std::string m_tmp = testing_support::Sandbox::process().tmp();
    std::set<std::string> m_before;
};

TEST_F(ContainerUnpackingTest, AnswersTheEntryNamedUnderscoreOnly) {
    struct Case {
        const char* name;
        std::vector<TestZipEntry> entries;
        std::optional<std::string> contents;
    };
    const Case cases[] = {
        {"the entry alone", {{"_", "payload"}}, "payload"},
        {"among files and folders",
         {{"d/", ""}, {"d/e/f", "deep"}, {"_", "payload"}, {"other", "x"}},
         "payload"},
        {"made on Unix as a plain file", {{"_", "payload", S_IFREG | 0644}}, "payload"},
        {"no entries at all", {}, std::nullopt},
        {"in a folder only", {{"d/_", "payload"}}, std::nullopt},
        {"a folder named _", {{"_/", ""}}, std::nullopt},
        {"a folder named _ by its mode", {{"_", "", S_IFDIR | 0755}}, std::nullopt},
        {"under another name", {{"__", "payload"}}, std::nullopt},
        {"empty", {{"_", ""}}, std::nullopt},
        {"twice", {{"_", "first"}, {"_", "second"}}, std::nullopt},
        {"climbing out", {{"../_", "payload"}}, std::nullopt},
        {"climbing out from a folder", {{"d/../../_", "payload"}}, std::nullopt},
        {"through a folder that climbs", {{"../d/", ""}, {"_", "payload"}}, std::nullopt},
        {"absolute", {{"/_", "payload"}}, std::nullopt},
        {"with a dot part", {{"./_", "payload"}}, std::nullopt},
        {"with an empty part", {{"d//_", "payload"}}, std::nullopt},
        {"with a backslash", {{"..\\_", "payload"}}, std::nullopt},
        {"a symbolic link", {{"_", "/etc/passwd", S_IFLNK | 0777}}, std::nullopt},
        {"a named pipe", {{"_", "", S_IFIFO | 0644}}, std::nullopt},
        {"marked as encrypted", {{"_", "payload", 0, true}}, std::nullopt},
        {"declared shorter than it is", {{"_", "payload", 0, false, 3}}, std::nullopt},
        {"declared longer than it is", {{"_", "payload", 0, false, 30}}, std::nullopt},
    };
    for (const Case& c : cases) {
        auto contents = unzipQuietly(makeZip(c.entries));
        EXPECT_EQ(text(contents), c.contents.value_or("<nothing>")) << c.name;
        EXPECT_EQ(listTree(m_tmp), m_before) << c.name;
    }
}

TEST_F(ContainerUnpackingTest, RefusesArchivesThatUnpackPastTheLimit) {
    const std::string zeros(2 * kMiB, '\0');
    std::vector<TestZipEntry> manyEntries;
    for (std::size_t i = 0; i <= ContainerZipReader::kMaxEntries; ++i)
        manyEntries.push_back({"f" + std::to_string(i), "x"});
    std::string deepName;
    for (std::size_t i = 0; i < ContainerZipReader::kMaxNameDepth; ++i)
        deepName += "d/";

    struct Case {
        const char* name;
        std::vector<TestZipEntry> entries;
        std::uint64_t limit;
        bool opens;
    };
    const Case cases[] = {
        {"exactly at the limit", {{"_", std::string(kMiB, 'a')}}, kMiB, true},
        {"one byte past the limit", {{"_", std::string(kMiB + 1, 'a')}}, kMiB, false},
        {"a small archive of 2 MiB of zeros", {{"_", zeros}}, kMiB, false},
        {"zeros declared as 100 bytes", {{"_", zeros, 0, false, 100}}, kMiB, false},
        {"a tiny entry declared as 300 MB",
         {{"_", "x", 0, false, 300 * kMiB}},
         DataDecompressor::kUnpackedSizeLimit,
         false},
        {"together past the limit",
         {{"_", std::string(kMiB / 2, 'a')}, {"b", std::string(kMiB / 2 + 1, 'b')}},
         kMiB,
         false},
        {"too many entries", manyEntries, DataDecompressor::kUnpackedSizeLimit, false},
        {"names too deep",
         {{deepName + "_", "x"}, {"_", "x"}},
         DataDecompressor::kUnpackedSizeLimit,
         false},
    };
    for (const Case& c : cases) {
        auto contents = unzipQuietly(makeZip(c.entries), c.limit);
        EXPECT_EQ(contents.has_value(), c.opens) << c.name;
    }
}

TEST_F(ContainerUnpackingTest, ATruncatedArchiveNeverOpensAndLogsOneLine) {
    const std::string zip = makeZip({{"_", "payload"}});
    for (std::size_t length = 1; length < zip.size(); ++length) {
        testing::internal::CaptureStderr();
        auto contents = DataDecompressor::unzippedData(bytes(zip.substr(0, length)));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "SSZipArchive failed to unzip\n")
            << length;
        EXPECT_FALSE(contents) << length;
    }
}

TEST_F(ContainerUnpackingTest, WorksOnlyInAFolderThatIsOursAlone) {
    const std::string zip = makeZip({{"_", "payload"}});
    const std::string base = ContainerScratchFolder::baseFolderPath();
    ASSERT_EQ(text(unzipQuietly(zip)), "payload");

    // A link in place of the container's subfolder, planted to catch what is unpacked.
    std::string elsewhere = testing_support::Sandbox::process().makeFolder("elsewhere");
    ASSERT_EQ(rename(base.c_str(), (base + ".saved").c_str()), 0);
    ASSERT_EQ(symlink(elsewhere.c_str(), base.c_str()), 0);
    EXPECT_FALSE(unzipQuietly(zip));
    EXPECT_TRUE(listTree(elsewhere).empty());
    ASSERT_EQ(unlink(base.c_str()), 0);
    ASSERT_EQ(rename((base + ".saved").c_str(), base.c_str()), 0);

    // A subfolder that others may write to.
    ASSERT_EQ(chmod(base.c_str(), 0777), 0);
    EXPECT_FALSE(unzipQuietly(zip));
    ASSERT_EQ(chmod(base.c_str(), 0700), 0);

    if (geteuid() == 0) {
        ASSERT_EQ(chown(base.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(unzipQuietly(zip));
        ASSERT_EQ(chown(base.c_str(), 0, 0), 0);
    }
    EXPECT_EQ(text(unzipQuietly(zip)), "payload");
}

TEST_F(ContainerUnpackingTest, CreatesTheSubfolderWhenMissing) {
    const std::string base = ContainerScratchFolder::baseFolderPath();
    ASSERT_EQ(rmdir(base.c_str()), 0);
    EXPECT_EQ(text(unzipQuietly(makeZip({{"_", "payload"}}))), "payload");
    struct stat info {};
    ASSERT_EQ(lstat(base.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}
