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
