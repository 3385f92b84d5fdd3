#include "platform/ContainerScratchFolder.h"

#include "ContainerTestSupport.h"
#include "support/Sandbox.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace container_test;
using testing_support::Sandbox;

TEST(ContainerScratchFolder, IsPrivateAndTakesEverythingWithItButNotWhatLinksPointAt) {
    std::string privateFolder = Sandbox::process().makeFolder("scratch") + "/private";
    std::string outside = Sandbox::process().makeFolder("outside");
    testing_support::writeFile(outside + "/keep", "keep");

    auto folder = platform::ContainerScratchFolder::createIn(privateFolder).folder;
    ASSERT_TRUE(folder);
    EXPECT_EQ(modeOf(privateFolder), S_IFDIR | 0700u) << "made when missing";
    EXPECT_EQ(folder->path().rfind(privateFolder + "/", 0), 0u);
    EXPECT_EQ(modeOf(folder->path()), S_IFDIR | 0700u);
    EXPECT_NE(platform::ContainerScratchFolder::createIn(privateFolder).folder->path(),
              folder->path());

    EXPECT_TRUE(folder->writeFileAtomically("tmp.dat", bytes("archive")));
    EXPECT_EQ(text(folder->readFile<SecureBuffer>("tmp.dat", 100)), "archive");
    EXPECT_FALSE(folder->readFile<SecureBuffer>("tmp.dat", 6)) << "over the limit";
    auto file = folder->createFile({"a", "b", "c"});
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->write(bytes("deep")) && file->close());
    EXPECT_FALSE(folder->createFile({"a", "b", "c"})) << "exists already";
    EXPECT_FALSE(folder->createFile({"a", "..", "c"}));
    ASSERT_EQ(symlink(outside.c_str(), (folder->path() + "/a/link").c_str()), 0);
    ASSERT_EQ(symlink((outside + "/keep").c_str(), (folder->path() + "/filelink").c_str()), 0);
    EXPECT_FALSE(folder->createFile({"a", "link", "planted"})) << "through a link";
    EXPECT_FALSE(folder->readFile<SecureBuffer>("filelink", 100)) << "a link is not read";

    std::string path = folder->path();
    folder.reset();
    EXPECT_EQ(modeOf(path), 0u);
    EXPECT_EQ(listTree(outside), std::set<std::string>({"keep"}));
    EXPECT_TRUE(listTree(privateFolder).empty());
}

TEST(ContainerScratchFolder, RefusesAPrivateFolderThatOthersCouldReachAndSaysWhy) {
    const std::string base = Sandbox::process().makeFolder("refuse");
    const std::string elsewhere = Sandbox::process().makeFolder("refuse-target");
    struct Case {
        const char* name;
        std::function<void(const std::string&)> plant;
        const char* reason;
    };
    std::vector<Case> cases = {
        {"a symbolic link to a folder",
         [&](const std::string& path) { ASSERT_EQ(symlink(elsewhere.c_str(), path.c_str()), 0); },
         "it is a symbolic link"},
        {"a file", [](const std::string& path) { testing_support::writeFile(path, "x"); },
         "it is not a folder"},
        {"a folder others may write to",
         [](const std::string& path) {
             ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
             ASSERT_EQ(chmod(path.c_str(), 0777), 0);
         },
         "other users may use it (mode 0777)"},
        {"a folder the group may read",
         [](const std::string& path) {
             ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
             ASSERT_EQ(chmod(path.c_str(), 0750), 0);
         },
         "other users may use it (mode 0750)"},
    };
    if (geteuid() == 0) {
        cases.push_back({"a folder of another user",
                         [](const std::string& path) {
                             ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
                             ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
                         },
                         "it belongs to user 65534"});
    }
    int index = 0;
    for (const Case& c : cases) {
        const std::string path = base + "/" + std::to_string(index++);
        c.plant(path);
        platform::ContainerScratchFolder::Creation made =
            platform::ContainerScratchFolder::createIn(path);
        EXPECT_FALSE(made.folder) << c.name;
        EXPECT_EQ(made.refusal, "cannot unpack in " + path + ": " + c.reason) << c.name;
    }
    EXPECT_TRUE(listTree(elsewhere).empty());
}
