#include "platform/Environment.h"

#include "support/Sandbox.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <pwd.h>
#include <unistd.h>

using platform::Environment;

namespace {

// Sets variables for one test and puts the old values back afterwards.
class ScopedVariables {
public:
    explicit ScopedVariables(const std::map<std::string, std::optional<std::string>>& values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
            set(name, value);
        }
    }
    ~ScopedVariables() {
        for (const auto& [name, value] : m_saved)
            set(name, value);
    }

private:
    static void set(const std::string& name, const std::optional<std::string>& value) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    std::map<std::string, std::optional<std::string>> m_saved;
};

std::string accountHome() {
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/";
}

} // namespace

TEST(Environment, TheHomeIsTheSandboxsElseHomeElseTheAccounts) {
    {
        ScopedVariables variables({{"SWEEPWISE_HOME", "/sandbox/home//"}, {"HOME", "/elsewhere"}});
        EXPECT_EQ(Environment::homeDirectory(), "/sandbox/home");
    }
    {
        ScopedVariables variables({{"SWEEPWISE_HOME", ""}, {"HOME", "/desktop/user/"}});
        EXPECT_EQ(Environment::homeDirectory(), "/desktop/user");
    }
    // An empty or relative $HOME is no home.
    for (const char* home : {"", "relative/home"}) {
        ScopedVariables variables({{"SWEEPWISE_HOME", std::nullopt}, {"HOME", home}});
        EXPECT_EQ(Environment::homeDirectory(), accountHome()) << home;
    }
    ScopedVariables variables({{"SWEEPWISE_HOME", std::nullopt}, {"HOME", std::nullopt}});
    EXPECT_EQ(Environment::homeDirectory(), accountHome());
}

TEST(Environment, TheDataFolderFollowsXdgOutsideTheSandboxOnly) {
    {
        // Inside the sandbox nothing may lead out of it.
        ScopedVariables variables(
            {{"SWEEPWISE_HOME", "/sandbox/home"}, {"XDG_DATA_HOME", "/real"}});
        EXPECT_EQ(Environment::userDataDirectory(), "/sandbox/home/.local/share");
    }
    {
        ScopedVariables variables(
            {{"SWEEPWISE_HOME", std::nullopt}, {"HOME", "/u"}, {"XDG_DATA_HOME", "/data/"}});
        EXPECT_EQ(Environment::userDataDirectory(), "/data");
    }
    for (const char* data : {"", "relative"}) {
        ScopedVariables variables(
            {{"SWEEPWISE_HOME", std::nullopt}, {"HOME", "/u"}, {"XDG_DATA_HOME", data}});
        EXPECT_EQ(Environment::userDataDirectory(), "/u/.local/share") << data;
    }
    ScopedVariables variables({{"SWEEPWISE_HOME", "/"}, {"XDG_DATA_HOME", std::nullopt}});
    EXPECT_EQ(Environment::userDataDirectory(), "/.local/share");
}
