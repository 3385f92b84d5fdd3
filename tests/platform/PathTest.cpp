#include "platform/Path.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <unistd.h>

using platform::Path;

TEST(Path, ComponentsAndExtensions) {
    const struct {
        const char *path, *extension, *withoutExtension, *last;
    } cases[] = {
        {"/tmp/scratch.tiff", "tiff", "/tmp/scratch", "scratch.tiff"},
        {"Foo.app/", "app", "Foo", "Foo.app"},
        {".hidden", "", ".hidden", ".hidden"},
        {"/", "", "/", "/"},
        {"/a.b/c", "", "/a.b/c", "c"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Path::extension(c.path), c.extension) << c.path;
        EXPECT_EQ(Path::deletingExtension(c.path), c.withoutExtension) << c.path;
        EXPECT_EQ(Path::lastComponent(c.path), c.last) << c.path;
    }
    EXPECT_EQ(Path::appending("/Users/ann/", "/Library/"), "/Users/ann/Library");
    EXPECT_EQ(Path::appending("", "tmp"), "tmp");
    EXPECT_EQ(Path::deletingLastComponent("/a/b/"), "/a");
    EXPECT_EQ(Path::deletingLastComponent("/a"), "/");
}

TEST(Path, StandardizesResolvingLinksBeforeGoingUp) {
    const std::pair<const char*, std::string> cases[] = {
        {"/.//tmp/./ABC/..", "/tmp"},
        {"~/foo/bar/", "/Users/ann/foo/bar"},
        {"/a/b/../../..", "/"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(Path::standardizing(in, "/Users/ann"), out) << in;

    std::string base = testing_support::Sandbox::process().makeFolder("std");
    testing_support::makeDirs(base + "/real/inner");
    ASSERT_EQ(symlink((base + "/real/inner").c_str(), (base + "/link").c_str()), 0);
    EXPECT_EQ(Path::standardizing(base + "/link/..", "/h"), base + "/real");
}
