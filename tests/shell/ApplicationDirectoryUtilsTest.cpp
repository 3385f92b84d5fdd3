#include "shell/ApplicationDirectoryUtils.h"

#include "TrashTestSupport.h"
#include "shell/FileURL.h"
#include "shell/NSBundleApplicationBundle.h"
#include "shell/NSStringFileSize.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

TEST(ApplicationDirectoryUtils, FindsTheOutermostEnclosingApplication) {
    std::string base = Sandbox::process().makeFolder("apps");
    makeApp(base + "/Foo.app", "com.example.foo");
    makeApp(base + "/Foo.app/Contents/Library/LoginItems/Bar.app", "com.example.bar");
    makeDirs(base + "/Tools/Driver.kext/Contents");
    makeApp(base + "/Solo.app", "com.example.solo");
    makeApp(base + "/Solo.app/Inner.app", "com.example.inner");

    struct Case {
        std::string path;
        std::optional<std::string> app;
        std::optional<std::string> bundle;
    } cases[] = {
        {base + "/Foo.app/Contents/Library/LoginItems/Bar.app", base + "/Foo.app",
         base + "/Foo.app"},
        {base + "/Foo.app", std::nullopt, std::nullopt},
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
    EXPECT_FALSE(ApplicationDirectoryUtils::isApplicationAtPath(base + "/Missing.app"));
}

TEST(NSBundleApplicationBundle, CreatesBundlesOnlyForRealApplications) {
    std::string base = Sandbox::process().makeFolder("bundles");
    makeApp(base + "/Good.app", "com.example.good");
    makeApp(base + "/Proxy.app", "com.parallels.winapp.notepad");
    makeApp(base + "/Bare.app", "");
    writeFile(base + "/Bare.app/Contents/Info.plist", "");
    writeFile(base + "/file.app", "not a folder");
    ASSERT_EQ(symlink((base + "/Good.app").c_str(), (base + "/Link.app").c_str()), 0);

    EXPECT_NE(NSBundleApplicationBundle::applicationBundleAtPath(base + "/Good.app"), nullptr);
    EXPECT_NE(NSBundleApplicationBundle::applicationBundleAtPath(base + "/Link.app"), nullptr);
    EXPECT_EQ(NSBundleApplicationBundle::applicationBundleAtPath(base + "/Proxy.app"), nullptr);
    EXPECT_EQ(NSBundleApplicationBundle::applicationBundleAtPath(base + "/Bare.app"), nullptr);
    EXPECT_EQ(NSBundleApplicationBundle::safeCreateBundleWithPath(base + "/file.app"), nullptr);
    EXPECT_EQ(NSBundleApplicationBundle::safeCreateBundleWithUrl("https://example.com/Good.app"),
              nullptr);
    EXPECT_NE(
        NSBundleApplicationBundle::safeCreateBundleWithUrl(FileURL::fromPath(base + "/Good.app")),
        nullptr);
}

TEST(NSStringFileSize, IsInFolderNeedsAComponentBoundary) {
    EXPECT_TRUE(NSStringFileSize::isInFolder("/Users/ann/.Trash/Foo.app", "/Users/ann/.Trash"));
    EXPECT_FALSE(NSStringFileSize::isInFolder("/Users/ann/.Trash/Foo.app", "/Users/ann/.Tra"));
    EXPECT_FALSE(NSStringFileSize::isInFolder("/Users/ann/.Trash", "/Users/ann/.Trash"));
    EXPECT_FALSE(NSStringFileSize::isInFolder("/", "/"));
}

TEST(NSStringFileSize, RemovesTeamAndGroupPrefixes) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"ABCDE12345.com.example.app", "com.example.app"},
        {"ABCDE12345.group.com.example", "com.example"},
        {"ABCDEFGHIJ.com.example", "ABCDEFGHIJ.com.example"}, // no digit anywhere
        {"ABCDE12345.x", "ABCDE12345.x"},                     // only two parts
        {"ABCDE12345..x.y", "x.y"},
        {"ABCDE1234.com.example", "ABCDE1234.com.example"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NSStringFileSize::appropriateBundleIdentifierByHandlingGroupPrefix(c.in), c.out)
            << c.in;
}

TEST(NSStringFileSize, SuffixIgnoresCase) {
    EXPECT_TRUE(NSStringFileSize::hasCaseInsensitiveSuffix("Driver.KEXT", ".kext"));
    EXPECT_FALSE(NSStringFileSize::hasCaseInsensitiveSuffix("Driver.kext", ""));
    EXPECT_FALSE(NSStringFileSize::hasCaseInsensitiveSuffix("kext", ".kext"));
}

TEST(FileURL, RoundTripsOddPaths) {
    for (std::string path : {"/a b/c%d", "/Ünï/cödé", "/new\nline", "/x/y"}) {
        std::string url = FileURL::fromPath(path);
        EXPECT_TRUE(url.starts_with("file:///"));
        EXPECT_EQ(FileURL::toPath(url), path);
    }
    EXPECT_EQ(FileURL::toPath("file:///a%2"), std::nullopt);
    EXPECT_EQ(FileURL::toPath("file:///a%zz"), std::nullopt);
    EXPECT_EQ(FileURL::toPath("http://x/y"), std::nullopt);
    EXPECT_EQ(FileURL::toPath("file://host/y"), std::nullopt);
}
