#include "shell/NSFileManagerUtils.h"

#include "shell/PathsGenerator.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;

TEST(NSFileManagerUtils, TrashPathIsCreatedAndCached) {
    std::string trash = PathsGenerator::GetInstance().buildTrashDirectory();
    auto path = NSFileManagerUtils::getTrashPath();
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, trash + "/");
    struct stat st {};
    EXPECT_EQ(stat(trash.c_str(), &st), 0);
    EXPECT_TRUE(NSFileManagerUtils::isFileInTrash(trash + "/Foo.app"));
    EXPECT_FALSE(NSFileManagerUtils::isFileInTrash(trash));
    EXPECT_FALSE(NSFileManagerUtils::isFileInTrash(""));
}

TEST(NSFileManagerUtils, RandomNamesUseTheAlphabet) {
    EXPECT_EQ(NSFileManagerUtils::randomStringWithLength(0), "");
    std::string name = NSFileManagerUtils::randomStringWithLength(200);
    EXPECT_EQ(name.size(), 200u);
    EXPECT_EQ(
        name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"),
        std::string::npos);
    std::set<char> seen;
    for (char c : NSFileManagerUtils::randomStringWithLength(2000, "xy"))
        seen.insert(c);
    EXPECT_EQ(seen, (std::set<char>{'x', 'y'}));
    EXPECT_EQ(NSFileManagerUtils::randomStringWithLength(5, ""), "");
}

TEST(NSFileManagerUtils, TemporaryPathsAreFreshAndInTheTemporaryFolder) {
    std::string tmp = Sandbox::process().tmp();
    std::string file = NSFileManagerUtils::getTempFilePathWithExt("trforsa");
    EXPECT_TRUE(file.starts_with(tmp + "/"));
    EXPECT_TRUE(file.ends_with(".trforsa"));
    EXPECT_NE(access(file.c_str(), F_OK), 0);

    std::string folder = NSFileManagerUtils::getTempFolderPath();
    struct stat st {};
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_NE(NSFileManagerUtils::getTempFolderPath(), folder);
}
