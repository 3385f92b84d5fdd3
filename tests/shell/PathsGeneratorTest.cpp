#include "shell/PathsGenerator.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>

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
