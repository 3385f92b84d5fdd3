#include "shell/WatcherSettings.h"

#include "shell/Consts.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

TEST(WatcherSettings, WritesAndRemovesTheAutostartEntry) {
    const auto& settings = WatcherSettings::GetInstance();
    std::string entry = settings.loginItemEntryPath();
    EXPECT_EQ(entry, Sandbox::process().home() +
                         "/.config/autostart/com.halvorn.Sweepwise-SIII-Helper.desktop");

    ASSERT_TRUE(settings.enableHelperInLoginItems(true, "/opt/Sweep wise/Helper \"1\" 100%"));
    std::string contents = readFile(entry);
    EXPECT_NE(contents.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(contents.find("Exec=\"/opt/Sweep wise/Helper \\\\\"1\\\\\" 100%%\"\n"),
              std::string::npos)
        << contents;

    EXPECT_FALSE(settings.enableHelperInLoginItems(true, "/bad\npath"));
    EXPECT_FALSE(settings.enableHelperInLoginItems(true, ""));
    EXPECT_TRUE(settings.enableHelperInLoginItems(false));
    EXPECT_NE(access(entry.c_str(), F_OK), 0);
    EXPECT_TRUE(settings.enableHelperInLoginItems(false)); // already gone
}
