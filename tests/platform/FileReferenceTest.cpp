#include "platform/FileReference.h"

#include "platform/FileSystem.h"
#include "support/FileTestSupport.h"
#include "support/Sandbox.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::FileReference;
using platform::FileSystem;
using namespace testing_support;

TEST(FileReference, FollowsRenamesAndMovesOfEveryKindOfItem) {
    std::string base = Sandbox::process().makeFolder("follow");
    makeDirs(base + "/Applications/Foo.app/Contents");
    makeDirs(base + "/.Trash");
    makeLink("nowhere", base + "/dangling");

    const auto descriptors = openDescriptors();
    for (const char* name : {"Applications/Foo.app", "dangling"}) {
        SCOPED_TRACE(name);
        std::string original = base + "/" + name;
        auto reference = FileReference::create(original);
        ASSERT_TRUE(reference);
        EXPECT_EQ(reference->currentPath(), original);
        std::string moved = base + "/.Trash/moved\n\xff";
        ASSERT_EQ(std::rename(original.c_str(), moved.c_str()), 0);
        EXPECT_EQ(reference->currentPath(), moved);
        ASSERT_TRUE(FileSystem::removeItem(moved));
        EXPECT_FALSE(reference->currentPath());
    }
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST(FileReference, DeletionIsToldByTheItemNotByItsName) {
    std::string base = Sandbox::process().makeFolder("deleted");
    // A live item whose name merely looks like the kernel's mark of a deleted one.
    writeFile(base + "/report (deleted)", "x");
    EXPECT_EQ(FileReference::create(base + "/report (deleted)")->currentPath(),
              base + "/report (deleted)");

    // A replaced item: the new one at the same path is someone else.
    std::string replaced = base + "/replaced";
    makeDirs(replaced);
    auto replacedReference = FileReference::create(replaced);
    ASSERT_TRUE(FileSystem::removeItem(replaced));
    makeDirs(replaced);
    EXPECT_FALSE(replacedReference->currentPath());

    // A hard-linked file's referenced name is removed and reused by another file.
    std::string first = base + "/first";
    writeFile(first, "x");
    ASSERT_EQ(link(first.c_str(), (base + "/second").c_str()), 0);
    auto linkedReference = FileReference::create(first);
    ASSERT_EQ(unlink(first.c_str()), 0);
    writeFile(first, "other");
    EXPECT_NE(linkedReference->currentPath(), first);
    EXPECT_FALSE(FileReference::create(base + "/missing"));
}
