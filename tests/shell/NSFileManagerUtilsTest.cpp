#include "shell/NSFileManagerUtils.h"

#include "shell/PathsGenerator.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;

TEST(NSFileManagerUtils, ExistenceWithoutFollowingTheFinalLink) {
    std::string base = Sandbox::process().makeFolder("exist");
    makeDirs(base + "/folder");
    writeFile(base + "/file", "x");
    ASSERT_EQ(symlink("folder", (base + "/toFolder").c_str()), 0);
    ASSERT_EQ(symlink("missing", (base + "/dangling").c_str()), 0);
    ASSERT_EQ(symlink("loop", (base + "/loop").c_str()), 0);

    struct Case {
        std::string name;
        bool exists;
        bool isDirectory;
        bool isLink;
    } cases[] = {
        {"folder", true, true, false},  {"file", true, false, false},
        {"toFolder", true, true, true}, {"dangling", true, false, true},
        {"loop", true, false, true},    {"absent", false, false, false},
    };
    for (const auto& c : cases) {
        bool isDirectory = !c.isDirectory;
        std::string path = base + "/" + c.name;
        EXPECT_EQ(
            NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(path, &isDirectory),
            c.exists)
            << c.name;
        EXPECT_EQ(isDirectory, c.isDirectory) << c.name;
        EXPECT_EQ(NSFileManagerUtils::isFileAtPathSymbolicLink(path), c.isLink) << c.name;
    }
    bool flag = true;
    EXPECT_FALSE(NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath("", &flag));
    EXPECT_FALSE(flag);
}

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

TEST(NSFileManagerUtils, UnlockedFilesAreNotLocked) {
    std::string base = Sandbox::process().makeFolder("locked");
    writeFile(base + "/f", "x");
    EXPECT_FALSE(NSFileManagerUtils::isFileLocked(base + "/f"));
    EXPECT_FALSE(NSFileManagerUtils::isFileLocked(base + "/missing"));
}
