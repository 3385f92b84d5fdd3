#include "platform/FileReference.h"

#include "platform/FileSystem.h"
#include "support/FileTestSupport.h"
#include "support/Sandbox.h"

#include <climits>
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

    std::size_t descriptors = openDescriptorCount();
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
    EXPECT_EQ(openDescriptorCount(), descriptors);
}

TEST(FileReference, DeletionIsToldByTheItemNotByItsName) {
    std::string base = Sandbox::process().makeFolder("deleted");
    // A live item whose name merely looks like the kernel's mark of a deleted one.
    std::string odd = base + "/report (deleted)";
    writeFile(odd, "x");
    auto oddReference = FileReference::create(odd);
    ASSERT_TRUE(oddReference);
    EXPECT_EQ(oddReference->currentPath(), odd);

    // A replaced item: the new one at the same path is someone else.
    std::string replaced = base + "/replaced";
    makeDirs(replaced);
    auto replacedReference = FileReference::create(replaced);
    ASSERT_TRUE(FileSystem::removeItem(replaced));
    makeDirs(replaced);
    EXPECT_FALSE(replacedReference->currentPath());

    // The referenced name of a hard-linked file is removed and reused; the path
    // that still exists is not this item's.
    std::string first = base + "/first";
    writeFile(first, "x");
    ASSERT_EQ(link(first.c_str(), (base + "/second").c_str()), 0);
    auto linkedReference = FileReference::create(first);
    ASSERT_EQ(unlink(first.c_str()), 0);
    writeFile(first, "other");
    EXPECT_NE(linkedReference->currentPath(), first);
    EXPECT_FALSE(FileReference::create(base + "/missing"));
}

TEST(FileReference, ItemsBeyondPathMaxCanBeReferencedSafely) {
    std::string base = Sandbox::process().makeFolder("longref");
    std::string deep = base;
    while (deep.size() <= PATH_MAX)
        deep += "/" + std::string(250, 'x');
    ASSERT_TRUE(FileSystem::createDirectory(deep, true));
    auto reference = FileReference::create(deep);
    ASSERT_TRUE(reference);
    // The kernel cannot tell a path this long, so none is answered.
    EXPECT_FALSE(reference->currentPath());
    EXPECT_TRUE(FileSystem::removeItem(base + "/" + std::string(250, 'x')));
}
