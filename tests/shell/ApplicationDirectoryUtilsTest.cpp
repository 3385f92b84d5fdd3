#include "shell/ApplicationDirectoryUtils.h"

#include "TrashTestSupport.h"
#include "shell/NSStringFileSize.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

TEST(ApplicationDirectoryUtils, FindsTheOutermostEnclosingApplication) {
    std::string base = Sandbox::process().makeFolder("apps");
    makeApp(base + "/Foo.app/Contents/Library/LoginItems/Bar.app", "com.example.bar");
    makeApp(base + "/Foo.app", "com.example.foo");
    makeDirs(base + "/Tools/Driver.kext/Contents");
    makeApp(base + "/Solo.app/Inner.app", "com.example.inner");
    makeApp(base + "/Solo.app", "com.example.solo");

    struct Case {
        std::string path;
        std::optional<std::string> app, bundle;
    } cases[] = {
        {base + "/Foo.app/Contents/Library/LoginItems/Bar.app", base + "/Foo.app",
         base + "/Foo.app"},
        // The immediate parent is never a candidate.
        {base + "/Solo.app/Inner.app", std::nullopt, std::nullopt},
        {base + "/Solo.app/Inner.app/x", base + "/Solo.app", base + "/Solo.app"},
        {base + "/Tools/Driver.kext/Contents/Info.plist", std::nullopt,
         base + "/Tools/Driver.kext"},
        {"relative/Foo.app/Contents/x", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ApplicationDirectoryUtils::parentAppPathForPath(c.path), c.app) << c.path;
        EXPECT_EQ(ApplicationDirectoryUtils::parentBundlePathForPath(c.path), c.bundle) << c.path;
    }
    EXPECT_TRUE(ApplicationDirectoryUtils::isApplicationAtPath(base + "/Foo.app"));
    EXPECT_FALSE(ApplicationDirectoryUtils::isApplicationAtPath(base + "/Tools"));
}

TEST(NSStringFileSize, ComparesFoldersAndSuffixes) {
    EXPECT_TRUE(NSStringFileSize::isInFolder("/Users/ann/.Trash/Foo.app", "/Users/ann/.Trash"));
    EXPECT_FALSE(NSStringFileSize::isInFolder("/Users/ann/.Trash/Foo.app", "/Users/ann/.Tra"));
    EXPECT_FALSE(NSStringFileSize::isInFolder("/Users/ann/.Trash", "/Users/ann/.Trash"));
    EXPECT_TRUE(NSStringFileSize::hasCaseInsensitiveSuffix("Driver.KEXT", ".kext"));
}
