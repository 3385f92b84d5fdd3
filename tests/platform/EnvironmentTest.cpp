#include "platform/Environment.h"

#include "support/Sandbox.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using platform::Environment;

TEST(Environment, OverridesApplyOnlyWhileSetAndTheAccountBeatsHome) {
    EXPECT_EQ(Environment::homeDirectory(), testing_support::Sandbox::process().home());
    std::string savedRoot = std::getenv("SWEEPWISE_ROOT");
    std::string savedHome = std::getenv("SWEEPWISE_HOME");
    std::string savedVariable = std::getenv("HOME");
    setenv("SWEEPWISE_ROOT", (savedRoot + "//").c_str(), 1);
    EXPECT_EQ(Environment::rootPath("/Volumes"), savedRoot + "/Volumes");
    unsetenv("SWEEPWISE_ROOT");
    unsetenv("SWEEPWISE_HOME");
    setenv("HOME", "/not/the/account", 1);
    EXPECT_EQ(Environment::rootPath("/Applications"), "/Applications");
    EXPECT_EQ(Environment::homeOverride(), "");
    const passwd* account = getpwuid(getuid());
    std::string home = Environment::homeDirectory();
    setenv("SWEEPWISE_ROOT", savedRoot.c_str(), 1);
    setenv("SWEEPWISE_HOME", savedHome.c_str(), 1);
    setenv("HOME", savedVariable.c_str(), 1);
    ASSERT_TRUE(account);
    EXPECT_EQ(home, account->pw_dir);
}
