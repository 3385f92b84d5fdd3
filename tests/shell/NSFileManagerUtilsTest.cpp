#include "shell/NSFileManagerUtils.h"

#include "shell/PathsGenerator.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;

TEST(NSFileManagerUtils, TrashPathIsCreatedWithATrailingSlash) {
    std::string trash = PathsGenerator::GetInstance().buildTrashDirectory();
    EXPECT_EQ(NSFileManagerUtils::getTrashPath(), trash + "/");
    EXPECT_EQ(access(trash.c_str(), F_OK), 0);
    EXPECT_TRUE(NSFileManagerUtils::isFileInTrash(trash + "/Foo.app"));
    EXPECT_FALSE(NSFileManagerUtils::isFileInTrash(trash));
}

TEST(NSFileManagerUtils, TemporaryPathsAreFreshAndPrivate) {
    std::string file = NSFileManagerUtils::getTempFilePathWithExt("trforsa");
    EXPECT_TRUE(file.starts_with(Sandbox::process().tmp() + "/") && file.ends_with(".trforsa"));
    EXPECT_NE(access(file.c_str(), F_OK), 0);
    std::string folder = NSFileManagerUtils::getTempFolderPath();
    struct stat st {};
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_NE(NSFileManagerUtils::getTempFolderPath(), folder);
    EXPECT_EQ(NSFileManagerUtils::randomStringWithLength(5, "x"), "xxxxx");
}
