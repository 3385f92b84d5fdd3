#include "shell/PathsGenerator.h"

#include "shell/NSFileManagerUtils.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using testing_support::Sandbox;

TEST(PathsGenerator, TellsWhatLiesInTheTrash) {
    const auto& paths = PathsGenerator::GetInstance();
    std::string trash = paths.buildTrashDirectory();
    EXPECT_TRUE(paths.pathInTrash(trash + "/a/b"));
    EXPECT_FALSE(paths.pathInTrash(trash));
    EXPECT_FALSE(paths.pathInTrash(trash + "x/Foo.app"));
}

TEST(PathsGenerator, ExpandsOnlyALeadingTildeSlash) {
    const auto& paths = PathsGenerator::GetInstance();
    std::string home = paths.getHomeDirectory();
    EXPECT_EQ(paths.expandTildeInPath("~/Library"), home + "/Library");
    EXPECT_EQ(paths.expandTildeInPath("~"), "~");
    EXPECT_EQ(paths.expandTildeInPath("~ann/x"), "~ann/x");
}

TEST(PathsGenerator, RecognisesBackupFolders) {
    std::string base = Sandbox::process().makeFolder("backup");
    struct Case {
        std::string path;
        bool isBackup;
        bool inBackup;
    } cases[] = {
        {base + "/Backups.backupdb", true, true},
        {base + "/Backups.backupdb/mac/2024", false, true},
        {base + "/x.timemachine/deeper/still", false, true},
        {base + "/2024.previous", false, false}, // no backup attribute
        {"/", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathsGenerator::isBackupDirectory(c.path), c.isBackup) << c.path;
        EXPECT_EQ(PathsGenerator::isBackupDirectoryOrInBackupDirectory(c.path), c.inBackup)
            << c.path;
    }
}

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
