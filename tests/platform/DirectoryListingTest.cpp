#include "platform/DirectoryListing.h"

#include "support/Sandbox.h"

#include <cstdio>
#include <gtest/gtest.h>

using platform::DirectoryListing;
using namespace testing_support;

TEST(DirectoryListing, ReleasedFolderComesBackOnlyIfItIsTheSame) {
    std::string base = Sandbox::process().makeFolder("release");
    makeDirs(base + "/parent/child");
    DirectoryListing parent;
    DirectoryListing child;
    ASSERT_TRUE(parent.open(base + "/parent", DirectoryListing::FinalLink::Refuse));
    ASSERT_TRUE(parent.read());
    ASSERT_TRUE(child.open(parent, parent.entries().front()));
    parent.releaseFolder();
    EXPECT_FALSE(parent.isOpen());
    EXPECT_EQ(parent.entries().size(), 1u);

    // Moved: found again through "..", wherever it is now.
    ASSERT_EQ(rename((base + "/parent").c_str(), (base + "/moved").c_str()), 0);
    ASSERT_TRUE(parent.reacquireFolder(child, base + "/parent"));
    EXPECT_TRUE(parent.valuesOfEntry(parent.entries().front()));

    // Replaced by another folder of the same name: refused. The old one stays on disk
    // so that its inode number cannot be handed to the new one.
    parent.releaseFolder();
    child.close();
    ASSERT_EQ(rename((base + "/moved").c_str(), (base + "/old").c_str()), 0);
    makeDirs(base + "/moved/child");
    EXPECT_FALSE(parent.reacquireFolder(child, base + "/moved"));
    EXPECT_FALSE(parent.isOpen());
}
