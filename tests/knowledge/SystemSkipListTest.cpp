#include "knowledge/MutableSystemSkipList.h"
#include "shell/PathsGenerator.h"

#include <gtest/gtest.h>

TEST(MutableSystemSkipList, StartsWithTheAddressBookAndCalendars) {
    const std::string home = PathsGenerator::GetInstance().getHomeDirectory();
    MutableSystemSkipList list;
    const struct {
        std::string path;
        bool contained;
    } cases[] = {
        {home + "/Library/Application Support/AddressBook", true},
        {home + "/Library/Preferences/com.apple.AddressBook.plist", true},
        {home + "/Library/Calendars", true},
        {home + "/Library/Calendars/", false},
        {home + "/Library/Calendars/Calendar Cache", false},
        {home + "/Library/calendars", false},
        {home + "/Library//Calendars", false},
        {home + "/Library", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list.contains(c.path), c.contained) << c.path;
    EXPECT_TRUE(list.mayContainItemsIn(home + "/Library"));

    list.clearContent();
    for (const auto& c : cases)
        EXPECT_FALSE(list.contains(c.path)) << c.path;
    EXPECT_FALSE(list.mayContainItemsIn(home + "/Library"));
}

TEST(MutableSystemSkipList, FolderHintNeverHidesAPathOnTheList) {
    MutableSystemSkipList list;
    list.clearContent();
    for (const char* path : {"/top", "/a/b", "/a/b/", "relative/name", "noslash", "/x//y"})
        list.addPath(path);
    const struct {
        std::string folder;
        bool hint;
    } cases[] = {
        {"", true},         // "/top"
        {"/a", true},       // "/a/b"
        {"/a/b", true},     // "/a/b/", harmless
        {"relative", true}, // "relative/name"
        {"/x/", true},      // "/x//y"
        {"/x", false},      {"/top", false}, {"/a/b/c", false}, {"noslash", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list.mayContainItemsIn(c.folder), c.hint) << c.folder;
    EXPECT_TRUE(list.contains("noslash"));
    EXPECT_FALSE(list.contains("/a"));
}
