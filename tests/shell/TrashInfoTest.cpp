#include "shell/TrashInfo.h"

#include "TrashTestSupport.h"
#include "platform/Environment.h"
#include "platform/Path.h"
#include "shell/TrashFolders.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

TEST(TrashInfo, ReadsTheOriginalLocationAsTheTrashesWriteIt) {
    const std::pair<std::string, std::string> cases[] = {
        // What `gio trash` and `trash-put` write: escapes for everything but a few marks.
        {"[Trash "
         "Info]\nPath=/home/ann/Apps/Foo%20Bar%C3%A9.app\nDeletionDate=2026-12-06T03:14:15\n",
         "/home/ann/Apps/Foo Bar\xC3\xA9.app"},
        // Relative to the folder that holds the Trash; keys in any order, CRLF, comments,
        // blanks, spaces around "=", other groups and keys around it.
        {"# made by hand\r\n\r\n[Other]\r\nPath=/wrong\r\n[Trash Info]\r\nDeletionDate = x\r\n"
         "Colour=red\r\n Path = Apps/Foo.app/ \r\n",
         "/base/Apps/Foo.app"},
        // The first of a repeated key or group counts.
        {"[Trash Info]\nPath=/first.app\nPath=/second.app\n[Trash Info]\nPath=/third.app\n",
         "/first.app"},
        // A raw byte that is not UTF-8 is kept as it is.
        {"[Trash Info]\nPath=/odd\xff.app", "/odd\xff.app"},
    };
    for (const auto& [text, original] : cases) {
        std::optional<TrashInfo> info = TrashInfo::parse(text, "/base");
        ASSERT_TRUE(info) << text;
        EXPECT_EQ(info->originalPath(), original) << text;
    }
    EXPECT_EQ(TrashInfo::parse(cases[0].first, "")->deletionDate(), "2026-12-06T03:14:15");
}

TEST(TrashInfo, MalformedFilesGiveNothing) {
    const std::string cases[] = {
        "",
        "Path=/no/group.app\n",
        "[Trash Info ]\nPath=/near/miss.app\n",
        "[Other]\nPath=/wrong/group.app\n",
        "[Trash Info]\nDeletionDate=2026-12-06T03:14:15\n",
        "[Trash Info]\nPath=\n",
        "[Trash Info]\nPath\n",
        "[Trash Info]\nPath=/cut%2",
        "[Trash Info]\nPath=/bad%zzescape.app\n",
        "[Trash Info]\nPath=/nul%00byte.app\n",
        std::string("[Trash Info]\nPath=/nul\0byte.app\n", 29),
        "[Trash Info]\nPath=../../etc/passwd\n",
        "[Trash Info]\nPath=Apps/../../escape.app\n",
        "[Trash Info]\nPath=/a/./b.app\n",
        "\xef\xbb\xbf\x00\x01[Trash Info]",
        std::string(100000, '['),
    };
    for (const std::string& text : cases)
        EXPECT_FALSE(TrashInfo::parse(text, "/base")) << text;
    // A relative location needs the folder it is relative to.
    EXPECT_FALSE(TrashInfo::parse("[Trash Info]\nPath=Apps/Foo.app\n", ""));
}

TEST(TrashInfo, TheTrashRemembersWhereANestedItemCameFrom) {
    const std::string trash = Sandbox::process().trash();
    const std::string info = platform::Path::deletingLastComponent(trash) + "/info";
    makeDirs(trash + "/Games.2/Sub/Foo.app");
    makeDirs(trash + "/NoInfo.app");
    makeDirs(trash + "/Big.app");
    makeDirs(info + "/Folder.trashinfo");
    makeDirs(trash + "/Folder");
    writeFile(info + "/Games.2.trashinfo", "[Trash Info]\nPath=Games\nDeletionDate=x\n");
    writeFile(info + "/Big.app.trashinfo",
              "[Trash Info]\nPath=/big.app\n" + std::string(TrashInfo::kMaxFileSize, '#'));

    // Relative locations of the home Trash are taken from the user's data folder.
    EXPECT_EQ(TrashFolders::originalPathOf(trash + "/Games.2/Sub/Foo.app"),
              platform::Environment::userDataDirectory() + "/Games/Sub/Foo.app");
    EXPECT_EQ(TrashFolders::originalPathOf(trash + "/Games.2"),
              platform::Environment::userDataDirectory() + "/Games");
    for (const std::string& path : {trash + "/NoInfo.app", trash + "/Big.app", trash + "/Folder",
                                    trash, trash + "x/Foo.app", std::string()})
        EXPECT_EQ(TrashFolders::originalPathOf(path), std::nullopt) << path;

    // A volume's Trash takes relative locations from the volume's top folder.
    const std::string volume = Sandbox::process().root() + "/Volumes/Stick";
    const std::string volumeTrash = volume + "/.Trash-" + std::to_string(getuid());
    makeDirs(volumeTrash + "/files/Foo.app");
    makeDirs(volumeTrash + "/info");
    writeFile(volumeTrash + "/info/Foo.app.trashinfo", "[Trash Info]\nPath=Apps/Foo.app\n");
    EXPECT_EQ(TrashFolders::originalPathOf(volumeTrash + "/files/Foo.app"),
              volume + "/Apps/Foo.app");
    removeTree(volume);
    removeTree(trash);
    removeTree(info);
}
