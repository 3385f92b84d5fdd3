#include "platform/DirectoryListing.h"

#include "FileTestSupport.h"
#include "platform/FileSystem.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

using platform::DirectoryListing;
using platform::FileResourceType;
using namespace testing_support;

namespace {

std::map<std::string, FileResourceType> entriesOf(const DirectoryListing& listing) {
    std::map<std::string, FileResourceType> entries;
    for (const auto& entry : listing.entries()) {
        EXPECT_EQ(entry.name.data()[entry.name.size()], '\0');
        EXPECT_TRUE(entries.emplace(entry.name, entry.type).second) << "twice: " << entry.name;
    }
    return entries;
}

} // namespace

TEST(DirectoryListing, ListsNamesWithTheirKindsAndExaminesThemInPlace) {
    std::string base = Sandbox::process().makeFolder("listing");
    makeDirs(base + "/folder/inner");
    writeFile(base + "/line\nbreak \xff", "x");
    makeLink("folder", base + "/toFolder");
    makeLink("missing", base + "/dangling");
    ASSERT_EQ(mkfifo((base + "/fifo").c_str(), 0600), 0);

    DirectoryListing listing;
    ASSERT_TRUE(listing.open(base + "/", DirectoryListing::FinalLink::Refuse));
    EXPECT_EQ(listing.values().fileResourceType, FileResourceType::Directory);
    ASSERT_TRUE(listing.read());
    const std::map<std::string, FileResourceType> expected = {
        {"folder", FileResourceType::Directory},
        {"line\nbreak \xff", FileResourceType::Regular},
        {"toFolder", FileResourceType::SymbolicLink},
        {"dangling", FileResourceType::SymbolicLink},
        {"fifo", FileResourceType::NamedPipe},
    };
    EXPECT_EQ(entriesOf(listing), expected);
    EXPECT_TRUE(listing.canExamineEntries());

    for (const auto& entry : listing.entries()) {
        auto values = listing.valuesOfEntry(entry);
        ASSERT_TRUE(values) << entry.name;
        EXPECT_EQ(values->fileResourceType, entry.type) << entry.name;
        bool folder = entry.name == "folder" || entry.name == "toFolder";
        EXPECT_EQ(listing.entryLeadsToFolder(entry),
                  entry.name == "dangling" ? std::nullopt : std::optional<bool>(folder));
        DirectoryListing child;
        EXPECT_EQ(child.open(listing, entry), entry.name == "folder") << entry.name;
    }

    // A link is followed only when asked to; a listing is reused from folder to folder.
    EXPECT_FALSE(listing.open(base + "/toFolder", DirectoryListing::FinalLink::Refuse));
    ASSERT_TRUE(listing.open(base + "/toFolder", DirectoryListing::FinalLink::Follow));
    ASSERT_TRUE(listing.read());
    EXPECT_EQ(entriesOf(listing),
              (std::map<std::string, FileResourceType>{{"inner", FileResourceType::Directory}}));
    EXPECT_FALSE(listing.open(base + "/missing", DirectoryListing::FinalLink::Follow));
    EXPECT_FALSE(listing.read());
    EXPECT_TRUE(listing.entries().empty());
}

TEST(DirectoryListing, LargeFoldersAndFoldersWithoutSearchPermission) {
    std::string base = Sandbox::process().makeFolder("large");
    const std::string longName(200, 'n');
    for (int i = 0; i < 3000; ++i)
        writeFile(base + "/" + longName + std::to_string(i), "");
    DirectoryListing listing;
    ASSERT_TRUE(listing.open(base, DirectoryListing::FinalLink::Refuse));
    ASSERT_TRUE(listing.read());
    EXPECT_EQ(entriesOf(listing).size(), 3000u);

    ASSERT_EQ(chmod(base.c_str(), 0444), 0);
    PermissionBitsApply permissions;
    if (!permissions.active())
        GTEST_SKIP() << "permission bits cannot be made to apply";
    ASSERT_TRUE(listing.open(base, DirectoryListing::FinalLink::Refuse));
    ASSERT_TRUE(listing.read());
    EXPECT_EQ(listing.entries().size(), 3000u);
    EXPECT_FALSE(listing.canExamineEntries());
    EXPECT_FALSE(listing.valuesOfEntry(listing.entries().front()));
}

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
