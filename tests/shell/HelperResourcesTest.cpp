#include "shell/HelperResources.h"

#include "support/Sandbox.h"
#include "support/ScopedHelperTexts.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

using testing_support::ScopedHelperTexts;

TEST(HelperResources, PrefersTheVariableThenTheSetFolderThenTheSourceTree) {
    ScopedHelperTexts texts("", {"en"});
    const std::string source = HelperResources::resourceFolder();
    struct stat info {};
    EXPECT_EQ(stat((source + "/en.lproj/RichNotificationWCLocalizable.strings").c_str(), &info), 0)
        << source;

    const std::string set = testing_support::Sandbox::process().makeFolder("SetResources");
    HelperResources::setResourceFolder(set);
    EXPECT_EQ(HelperResources::resourceFolder(), set);

    const std::string variable = testing_support::Sandbox::process().makeFolder("EnvResources");
    setenv(HelperResources::kResourcesVariable, variable.c_str(), 1);
    EXPECT_EQ(HelperResources::resourceFolder(), variable);
    setenv(HelperResources::kResourcesVariable, "", 1); // empty counts as unset
    EXPECT_EQ(HelperResources::resourceFolder(), set);
    unsetenv(HelperResources::kResourcesVariable);

    HelperResources::setResourceFolder("");
    EXPECT_EQ(HelperResources::resourceFolder(), source);
}
