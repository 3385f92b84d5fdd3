#include "shell/NSFileManagerUtils.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using testing_support::Sandbox;

TEST(NSFileManagerUtils, TemporaryPathsAreFreshAndPrivate) {
    std::string file = NSFileManagerUtils::getTempFilePathWithExt("trforsa");
    EXPECT_TRUE(file.starts_with(Sandbox::process().tmp() + "/") && file.ends_with(".trforsa"));
    EXPECT_NE(access(file.c_str(), F_OK), 0);
    std::string folder = NSFileManagerUtils::getTempFolderPath();
    struct stat st {};
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & (S_IFMT | 0777), S_IFDIR | 0700u);
    EXPECT_NE(NSFileManagerUtils::getTempFolderPath(), folder);
}
