#include "platform/Path.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <unistd.h>

using platform::Path;

TEST(Path, ComponentsAndExtensions)
{
    struct Case {
        const char* path;
        const char* extension;
        const char* withoutExtension;
        const char* last;
    } cases[] = {
        { "/tmp/scratch.tiff", "tiff", "/tmp/scratch", "scratch.tiff" },
        { ".scratch.tiff", "tiff", ".scratch", ".scratch.tiff" },
        { "/tmp/scratch", "", "/tmp/scratch", "scratch" },
        { "/tmp/", "", "/tmp", "tmp" },
        { "Foo.app/", "app", "Foo", "Foo.app" },
        { ".hidden", "", ".hidden", ".hidden" },
        { "scratch.bundle/", "bundle", "scratch", "scratch.bundle" },
        { "scratch..tiff", "tiff", "scratch.", "scratch..tiff" },
        { ".tiff", "", ".tiff", ".tiff" },
        { "/", "", "/", "/" },
        { "a.b.c", "c", "a.b", "a.b.c" },
        { "/Applications/Foo.app/", "app", "/Applications/Foo", "Foo.app" },
        { "/a.b/c", "", "/a.b/c", "c" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Path::extension(c.path), c.extension) << c.path;
        EXPECT_EQ(Path::deletingExtension(c.path), c.withoutExtension) << c.path;
        EXPECT_EQ(Path::lastComponent(c.path), c.last) << c.path;
    }
}

TEST(Path, AppendsWithExactlyOneSeparator)
{
    EXPECT_EQ(Path::appending("/Users/ann", "Library"), "/Users/ann/Library");
    EXPECT_EQ(Path::appending("/Users/ann/", "/Library/"), "/Users/ann/Library");
    EXPECT_EQ(Path::appending("/", "tmp"), "/tmp");
    EXPECT_EQ(Path::appending("", "tmp"), "tmp");
    EXPECT_EQ(Path::appending("/Users/ann/", ""), "/Users/ann");
    EXPECT_EQ(Path::appending("a", "b/c"), "a/b/c");
    EXPECT_EQ(Path::deletingLastComponent("/a/b/"), "/a");
    EXPECT_EQ(Path::deletingLastComponent("/a"), "/");
    EXPECT_EQ(Path::deletingLastComponent("a"), "");
}

TEST(Path, Standardizes)
{
    const std::string home = "/Users/ann";
    struct Case {
        const char* in;
        std::string out;
    } cases[] = {
        { "/usr/bin/./grep", "/usr/bin/grep" },
        { "/usr/include/objc/..", "/usr/include" },
        { "/.//tmp/ABC/..", "/tmp" },
        { "~/foo/bar/", home + "/foo/bar" },
        { "tmp/ABC/..", "tmp/ABC/.." },
        { "/..", "/" },
        { "//", "/" },
        { "/a/b/../../..", "/" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Path::standardizing(c.in, home), c.out) << c.in;
}

TEST(Path, StandardizingResolvesLinksBeforeGoingUp)
{
    std::string base = testing_support::Sandbox::process().makeFolder("std");
    testing_support::makeDirs(base + "/real/inner");
    ASSERT_EQ(symlink((base + "/real/inner").c_str(), (base + "/link").c_str()), 0);
    EXPECT_EQ(Path::standardizing(base + "/link/..", "/h"), base + "/real");
}
