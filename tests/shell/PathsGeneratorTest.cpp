#include "shell/PathsGenerator.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>

using testing_support::Sandbox;

TEST(PathsGenerator, DerivesEveryFolderFromTheSandboxHome) {
    const auto& paths = PathsGenerator::GetInstance();
    std::string home = Sandbox::process().home();
    EXPECT_EQ(paths.getHomeDirectory(), home);
    EXPECT_EQ(paths.buildTrashDirectory(), home + "/.Trash");
    EXPECT_EQ(paths.buildUserApplicationsDirectory(), home + "/Applications");
    EXPECT_EQ(paths.buildUserDownloadsDirectory(), home + "/Downloads");
    EXPECT_EQ(paths.buildUserLibraryDirectory(), home + "/Library");
    EXPECT_EQ(paths.buildUserApplicationSupportDirectory(), home + "/Library/Application Support");
    EXPECT_EQ(paths.buildUserPreferencePanesDirectory(), home + "/Library/PreferencePanes");
    EXPECT_EQ(paths.buildSystemApplicationsDirectory(),
              Sandbox::process().root() + "/Applications");
    EXPECT_FALSE(paths.userName().empty());
}

TEST(PathsGenerator, TellsWhatLiesInTheTrash) {
    const auto& paths = PathsGenerator::GetInstance();
    std::string trash = paths.buildTrashDirectory();
    EXPECT_TRUE(paths.pathInTrash(trash + "/Foo.app"));
    EXPECT_TRUE(paths.pathInTrash(trash + "/a/b"));
    EXPECT_FALSE(paths.pathInTrash(trash));
    EXPECT_FALSE(paths.pathInTrash(trash + "x/Foo.app"));
    EXPECT_FALSE(paths.pathInTrash(""));
}

TEST(PathsGenerator, ExpandsOnlyALeadingTildeSlash) {
    const auto& paths = PathsGenerator::GetInstance();
    std::string home = paths.getHomeDirectory();
    EXPECT_EQ(paths.expandTildeInPath("~/Library"), home + "/Library");
    EXPECT_EQ(paths.expandTildeInPath("~"), "~");
    EXPECT_EQ(paths.expandTildeInPath("~ann/x"), "~ann/x");
    EXPECT_EQ(paths.expandTildeInPath("/a/~/b"), "/a/~/b");
}

TEST(PathsGenerator, BuildsApplicationSupportFolders) {
    const auto& paths = PathsGenerator::GetInstance();
    std::string support = paths.buildUserApplicationSupportDirectory();
    EXPECT_EQ(paths.buildApplicationFolderPathInApplicationSupportWithBundleID("com.a.b"),
              support + "/com.a.b");
    EXPECT_EQ(paths.buildMainAppFolderPathInApplicationSupport(),
              support + "/com.halvorn.Sweepwise-SIII");
    EXPECT_EQ(paths.buildApplicationFolderPathInApplicationSupportWithBundleID(""), std::nullopt);
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
        {base + "/x.timemachine", true, true},
        {base + "/x.timemachine/deeper/still", false, true},
        {base + "/2024.previous", false, false}, // no backup attribute
        {base + "/Documents", false, false},
        {"/", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathsGenerator::isBackupDirectory(c.path), c.isBackup) << c.path;
        EXPECT_EQ(PathsGenerator::isBackupDirectoryOrInBackupDirectory(c.path), c.inBackup)
            << c.path;
    }
}
