#include "shell/WatcherSettings.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

TEST(WatcherSettings, WritesAQuotedAutostartEntryAndRemovesIt) {
    const auto& settings = WatcherSettings::GetInstance();
    std::string entry = settings.loginItemEntryPath();
    ASSERT_TRUE(settings.enableHelperInLoginItems(true, "/opt/Sweep wise/Helper \"1\" 100%"));
    EXPECT_NE(readFile(entry).find("Exec=\"/opt/Sweep wise/Helper \\\\\"1\\\\\" 100%%\"\n"),
              std::string::npos)
        << readFile(entry);
    EXPECT_FALSE(settings.enableHelperInLoginItems(true, "/bad\npath"));
    EXPECT_FALSE(settings.enableHelperInLoginItems(true, ""));
    EXPECT_TRUE(settings.enableHelperInLoginItems(false));
    EXPECT_NE(access(entry.c_str(), F_OK), 0);
    EXPECT_TRUE(settings.enableHelperInLoginItems(false)); // already gone
}
