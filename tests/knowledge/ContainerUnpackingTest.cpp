#include "ContainerTestSupport.h"
#include "knowledge/ContainerZipReader.h"
#include "knowledge/DataChangeCommon.h"
#include "knowledge/DataDecompressor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

using ContainerUnpackingTest = TemporaryFolderKeptTest;

TEST_F(ContainerUnpackingTest, AnswersOnlyAPlainEntryNamedUnderscoreWithinTheLimit) {
    std::vector<TestZipEntry> manyEntries;
    for (std::size_t i = 0; i <= ContainerZipReader::kMaxEntries; ++i)
        manyEntries.push_back({"f" + std::to_string(i), "x"});
    std::string deepName;
    for (std::size_t i = 0; i < ContainerZipReader::kMaxNameDepth; ++i)
        deepName += "d/";
    const std::string a(kMiB, 'a');
    struct Case {
        const char* name;
        std::vector<TestZipEntry> entries;
        std::optional<std::string> contents;
        std::uint64_t limit = DataDecompressor::kUnpackedSizeLimit;
    };
    const Case cases[] = {
        {"among files and folders",
         {{"d/", ""}, {"d/e/f", "deep"}, {"_", "payload", S_IFREG | 0644}, {"other", "x"}},
         "payload"},
        {"a folder named _ by its mode", {{"_", "", S_IFDIR | 0755}}, std::nullopt},
        {"empty", {{"_", ""}}, std::nullopt},
        {"climbing out from a folder", {{"d/../../_", "payload"}}, std::nullopt},
        {"absolute", {{"/_", "payload"}}, std::nullopt},
        {"with a dot part", {{"./_", "payload"}}, std::nullopt},
        {"a symbolic link", {{"_", "/etc/passwd", S_IFLNK | 0777}}, std::nullopt},
        {"marked as encrypted", {{"_", "payload", 0, true}}, std::nullopt},
        {"declared longer than it is", {{"_", "payload", 0, false, 30}}, std::nullopt},
        {"exactly at the limit", {{"_", a}}, a, kMiB},
        {"one byte past the limit", {{"_", a + "a"}}, std::nullopt, kMiB},
        {"together past the limit",
         {{"_", a.substr(kMiB / 2)}, {"b", a.substr(kMiB / 2 - 1)}},
         std::nullopt,
         kMiB},
        {"too many entries", manyEntries, std::nullopt},
        {"names too deep", {{deepName + "_", "x"}, {"_", "x"}}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text(unzipQuietly(makeZip(c.entries), c.limit)), c.contents.value_or("<nothing>"))
            << c.name;
        EXPECT_EQ(listTree(m_tmp), m_before) << c.name;
    }
}
