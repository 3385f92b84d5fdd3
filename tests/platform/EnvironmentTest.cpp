#include "platform/Environment.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

using platform::Environment;

TEST(Environment, UsesRealPathsWithoutVariables)
{
    std::string savedRoot = std::getenv("SWEEPWISE_ROOT");
    std::string savedHome = std::getenv("SWEEPWISE_HOME");
    unsetenv("SWEEPWISE_ROOT");
    unsetenv("SWEEPWISE_HOME");
    EXPECT_EQ(Environment::rootPath("/Applications"), "/Applications");
    EXPECT_EQ(Environment::homeOverride(), "");
    setenv("SWEEPWISE_ROOT", (savedRoot + "//").c_str(), 1);
    EXPECT_EQ(Environment::rootPath("/Volumes"), savedRoot + "/Volumes");
    setenv("SWEEPWISE_ROOT", savedRoot.c_str(), 1);
    setenv("SWEEPWISE_HOME", savedHome.c_str(), 1);
}

TEST(Environment, HomeFolderPrefersTheOverrideThenTheAccountOverHomeVariable)
{
    auto& sandbox = testing_support::Sandbox::process();
    EXPECT_EQ(Environment::homeDirectory(), sandbox.home());

    std::string savedHome = std::getenv("SWEEPWISE_HOME");
    std::string savedVariable = std::getenv("HOME");
    unsetenv("SWEEPWISE_HOME");
    setenv("HOME", "/not/the/account", 1);
    const passwd* account = getpwuid(getuid());
    std::string home = Environment::homeDirectory();
    std::string name = Environment::userName();
    setenv("SWEEPWISE_HOME", savedHome.c_str(), 1);
    setenv("HOME", savedVariable.c_str(), 1);
    if (!account)
        GTEST_SKIP() << "this user has no account entry";
    EXPECT_EQ(home, account->pw_dir);
    EXPECT_EQ(name, account->pw_name);
}
