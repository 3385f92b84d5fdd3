#include "shell/WatcherSettings.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

// The desktop's own tools read real entries in tests/e2e/test_login_item.py; this pins
// the escaping of each special character, a backslash taking four.
TEST(WatcherSettings, WritesAnEscapedAutostartEntryAndRemovesIt) {
    const auto& settings = WatcherSettings::GetInstance();
    const std::string entry = settings.loginItemEntryPath();
    ASSERT_TRUE(settings.enableHelperInLoginItems(true, "/opt/Sweep wise/\"1\" \\ $x `y` é"));
    EXPECT_NE(readFile(entry).find(R"(Exec="/opt/Sweep wise/\\"1\\" \\\\ \\$x \\`y\\` é")"
                                   "\n"),
              std::string::npos)
        << readFile(entry);
    // GLib would look for a program named with "%%", so the shell starts this one.
    ASSERT_TRUE(settings.enableHelperInLoginItems(true, "/opt/100%/Helper"));
    EXPECT_NE(readFile(entry).find(R"(Exec=/bin/sh -c "exec \\"\\$0\\"" "/opt/100%%/Helper")"
                                   "\n"),
              std::string::npos)
        << readFile(entry);

    for (const std::string path : {"", "/bad\npath", "/bad\tpath", "/bad\x7fpath", "/bad\xffpath"})
        EXPECT_FALSE(settings.enableHelperInLoginItems(true, path)) << path;
    EXPECT_TRUE(settings.enableHelperInLoginItems(false));
    EXPECT_NE(access(entry.c_str(), F_OK), 0);
    EXPECT_TRUE(settings.enableHelperInLoginItems(false)); // already gone
}
