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

// A mapped entry reads as the file with its extra zero bytes, leaves the folder at once,
// and is wiped and unmapped by the buffer that takes it; what the mapping refuses stays.
TEST(ContainerScratchFolder, MapsAnEntryOnceAndOnlyARegularFileWithinTheLimit) {
    std::string outside = Sandbox::process().makeFolder("outside-mapped");
    testing_support::writeFile(outside + "/keep", "keep");
    auto folder =
        platform::ContainerScratchFolder::createIn(Sandbox::process().makeFolder("mapping") + "/p")
            .folder;
    ASSERT_TRUE(folder);
    // Exactly a page, so that the extra byte lies on a page of its own.
    const std::string page(4096, 'x');
    ASSERT_TRUE(folder->writeFileAtomically("entry", bytes(page)));
    EXPECT_FALSE(folder->mapFile("entry", page.size() - 1, 1)) << "over the limit";
    ASSERT_EQ(listTree(folder->path()), std::set<std::string>({"entry"}));

    auto mapping = folder->mapFile("entry", page.size(), 1);
    ASSERT_TRUE(mapping);
    EXPECT_EQ(mapping->size, page.size());
    EXPECT_EQ(mapping->length, page.size() + 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapping->data), page.size()), page);
    EXPECT_EQ(mapping->data[page.size()], 0);
    EXPECT_TRUE(listTree(folder->path()).empty()) << "the mapping alone keeps the entry";
    {
        WipeRecorder wipes;
        SecureBuffer buffer =
            SecureBuffer::takeMapping(mapping->data, mapping->size, mapping->length);
        buffer.mutableBytes()[0] = 'y';
        buffer.append(std::uint8_t{0});
        EXPECT_EQ(buffer.data(), mapping->data) << "the extra byte takes the terminator";
        buffer.cleanse();
        EXPECT_TRUE(wipes.sawInOrder({page.size() + 1}));
        EXPECT_TRUE(wipes.allZeroed());
    }

    EXPECT_TRUE(folder->writeFileAtomically("empty", bytes("")));
    EXPECT_FALSE(folder->mapFile("empty", 100, 1));
    ASSERT_EQ(symlink((outside + "/keep").c_str(), (folder->path() + "/filelink").c_str()), 0);
    EXPECT_FALSE(folder->mapFile("filelink", 100, 1)) << "a link is not mapped";
    EXPECT_FALSE(folder->mapFile("../keep", 100, 1));
    EXPECT_FALSE(folder->mapFile("missing", 100, 1));
    struct stat info {};
    EXPECT_EQ(lstat((folder->path() + "/empty").c_str(), &info), 0);
    EXPECT_EQ(lstat((folder->path() + "/filelink").c_str(), &info), 0);
    EXPECT_EQ(testing_support::readFile(outside + "/keep"), "keep");
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
