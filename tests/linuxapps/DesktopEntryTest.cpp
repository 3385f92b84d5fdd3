#include "shell/DesktopEntry.h"

#include <gtest/gtest.h>

TEST(DesktopEntry, ReadsTheFirstDesktopEntryGroupLineByLine) {
    const auto entry = DesktopEntry::parse("# comment\n"
                                           "[Other]\nName=Wrong\n"
                                           "[Desktop Entry]\r\n"
                                           "Name = Paint\\sStudio \r\n"
                                           "Name[de]=Malen\n"
                                           "Name=Second\n"
                                           "garbage line\n"
                                           "Comment=a\\nb\\tc\\\\d\\;e\n"
                                           "=no key\n"
                                           "[Desktop Entry]\nIcon=later\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->value("Name"), "Paint Studio");
    EXPECT_EQ(entry->value("Comment"), "a\nb\tc\\d\\;e");
    EXPECT_EQ(entry->value("Icon"), std::nullopt);
    EXPECT_FALSE(DesktopEntry::parse("Name=NoGroup\n[Other]\n"));
    EXPECT_FALSE(DesktopEntry::parse(""));
}

TEST(DesktopEntry, ExecIsSplitAsLaunchersSplitIt) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"foo %U", {"foo"}},
        {"\"/home/ann/My Apps/Foo.AppImage\" --x %f", {"/home/ann/My Apps/Foo.AppImage", "--x"}},
        {"\"a\\\"b\\\\c\\$d\"", {"a\"b\\c$d"}},
        {"100%% --file=%f", {"100%", "--file="}},
        {"  spaced\targs  ", {"spaced", "args"}},
        {"\"unterminated", {}},
        {"", {}},
    };
    for (const auto& [exec, arguments] : cases)
        EXPECT_EQ(DesktopEntry::splitExec(exec), arguments) << exec;
    EXPECT_EQ(DesktopEntry::programOfExec("env A=1 B=2 /opt/Foo.AppImage %U"), "/opt/Foo.AppImage");
    EXPECT_EQ(DesktopEntry::programOfExec("/usr/bin/env /x"), "/x");
    EXPECT_EQ(DesktopEntry::programOfExec("env"), "");
}
