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

// The sandbox's home wins over $HOME, which wins over the account's; an empty or relative
// $HOME is no home. The data folder follows $XDG_DATA_HOME only outside the sandbox, so that
// nothing there may lead out of it. (Unset variables are nullopt; a row's account home is
// the empty string.)
TEST(Environment, TheHomeAndDataFolderComeFromTheSandboxElseTheDesktopsVariables) {
    using Value = std::optional<std::string>;
    const struct {
        Value sandbox, home, data;
        std::string expectedHome, expectedData;
    } rows[] = {
        {"/sandbox/home//", "/elsewhere", "/real", "/sandbox/home", "/sandbox/home/.local/share"},
        {"", "/desktop/user/", std::nullopt, "/desktop/user", "/desktop/user/.local/share"},
        {std::nullopt, "", std::nullopt, "", ""},
        {std::nullopt, "relative/home", std::nullopt, "", ""},
        {std::nullopt, std::nullopt, std::nullopt, "", ""},
        {std::nullopt, "/u", "/data/", "/u", "/data"},
        {std::nullopt, "/u", "", "/u", "/u/.local/share"},
        {std::nullopt, "/u", "relative", "/u", "/u/.local/share"},
        {"/", std::nullopt, std::nullopt, "/", "/.local/share"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sandbox.value_or("(unset)") + " " + row.home.value_or("(unset)") + " " +
                     row.data.value_or("(unset)"));
        ScopedVariables variables(
            {{"SWEEPWISE_HOME", row.sandbox}, {"HOME", row.home}, {"XDG_DATA_HOME", row.data}});
        const std::string home = row.expectedHome.empty() ? accountHome() : row.expectedHome;
        EXPECT_EQ(Environment::homeDirectory(), home);
        if (!row.expectedData.empty()) {
            EXPECT_EQ(Environment::userDataDirectory(), row.expectedData);
        }
    }
}
