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

TEST(NSBundleApplicationBundle, CreatesBundlesOnlyForRealApplications) {
    std::string base = Sandbox::process().makeFolder("bundles");
    makeApp(base + "/Good.app", "com.example.good");
    makeApp(base + "/Proxy.app", "com.parallels.winapp.notepad");
    makeApp(base + "/Bare.app", "");
    writeFile(base + "/Bare.app/Contents/Info.plist", "");
    writeFile(base + "/file.app", "not a folder");
    using B = NSBundleApplicationBundle;
    EXPECT_NE(B::applicationBundleAtPath(base + "/Good.app"), nullptr);
    EXPECT_EQ(B::applicationBundleAtPath(base + "/Proxy.app"), nullptr);
    EXPECT_EQ(B::applicationBundleAtPath(base + "/Bare.app"), nullptr);
    EXPECT_EQ(B::safeCreateBundleWithPath(base + "/file.app"), nullptr);
    EXPECT_EQ(B::safeCreateBundleWithUrl("https://example.com/Good.app"), nullptr);
    EXPECT_NE(B::safeCreateBundleWithUrl(FileURL::fromPath(base + "/Good.app")), nullptr);
}

TEST(NSStringFileSize, ComparesFoldersAndSuffixes) {
    EXPECT_TRUE(NSStringFileSize::isInFolder("/Users/ann/.Trash/Foo.app", "/Users/ann/.Trash"));
    EXPECT_FALSE(NSStringFileSize::isInFolder("/Users/ann/.Trash/Foo.app", "/Users/ann/.Tra"));
    EXPECT_FALSE(NSStringFileSize::isInFolder("/Users/ann/.Trash", "/Users/ann/.Trash"));
    EXPECT_TRUE(NSStringFileSize::hasCaseInsensitiveSuffix("Driver.KEXT", ".kext"));
    EXPECT_FALSE(NSStringFileSize::hasCaseInsensitiveSuffix("kext", ".kext"));
}

TEST(FileURL, RoundTripsOddPathsAndRefusesOthers) {
    for (std::string path : {"/a b/c%d", "/Ünï/cödé", "/new\nline"})
        EXPECT_EQ(FileURL::toPath(FileURL::fromPath(path)), path);
    for (const char* url : {"file:///a%2", "file:///a%zz", "http://x/y", "file://host/y"})
        EXPECT_EQ(FileURL::toPath(url), std::nullopt) << url;
}
