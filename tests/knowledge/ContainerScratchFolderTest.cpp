#include "knowledge/ContainerScratchFolder.h"

#include "ContainerTestSupport.h"
#include "knowledge/DataChangeCommon.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace container_test;
using testing_support::Sandbox;

TEST(ContainerScratchFolder, IsPrivateAndTakesEverythingWithItButNotWhatLinksPointAt) {
    std::string parent = Sandbox::process().makeFolder("scratch");
    ASSERT_EQ(chmod(parent.c_str(), 0700), 0);
    std::string outside = Sandbox::process().makeFolder("outside");
    testing_support::writeFile(outside + "/keep", "keep");

    auto folder = ContainerScratchFolder::create(parent + "/work");
    ASSERT_TRUE(folder);
    struct stat info {};
    ASSERT_EQ(lstat(folder->path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, geteuid());

    EXPECT_TRUE(folder->writeFileAtomically("tmp.dat", bytes("archive")));
    EXPECT_EQ(text(folder->readFile("tmp.dat", 100)), "archive");
    EXPECT_FALSE(folder->readFile("tmp.dat", 6)) << "over the limit";
    auto file = folder->createFile({"a", "b", "c"});
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->write(bytes("deep")) && file->close());
    EXPECT_FALSE(folder->createFile({"a", "b", "c"})) << "exists already";
    EXPECT_FALSE(folder->createFile({"a", "..", "c"}));
    ASSERT_EQ(symlink(outside.c_str(), (folder->path() + "/a/link").c_str()), 0);
    ASSERT_EQ(symlink((outside + "/keep").c_str(), (folder->path() + "/filelink").c_str()), 0);
    EXPECT_FALSE(folder->createFile({"a", "link", "planted"})) << "through a link";
    EXPECT_FALSE(folder->readFile("filelink", 100)) << "a link is not read";

    std::string path = folder->path();
    folder.reset();
    EXPECT_FALSE(ContainerScratchFolder::pathExists(path));
    EXPECT_EQ(listTree(outside), std::set<std::string>({"keep"}));
}

TEST(ContainerScratchFolder, RefusesPathsItCannotOwn) {
    std::string parent = Sandbox::process().makeFolder("refuse");
    ASSERT_EQ(chmod(parent.c_str(), 0700), 0);
    testing_support::makeDirs(parent + "/taken");
    EXPECT_FALSE(ContainerScratchFolder::create(parent + "/taken"));
    EXPECT_FALSE(ContainerScratchFolder::create("relative/path"));
    EXPECT_FALSE(ContainerScratchFolder::create(parent + "/.."));
    ASSERT_EQ(chmod(parent.c_str(), 0755), 0);
    EXPECT_TRUE(ContainerScratchFolder::create(parent + "/shared-readable"));
    ASSERT_EQ(chmod(parent.c_str(), 0775), 0);
    EXPECT_FALSE(ContainerScratchFolder::create(parent + "/group-writable"));
}
