#include "search/FileItemData.h"

#include "search/FileItem.h"
#include "support/Sandbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace testing_support;

namespace {

class SizeListener : public FileItemDataListener {
public:
    std::vector<std::uint64_t> sizes;
    void onFileItemSizeCalculated(FileItemData& data) override { sizes.push_back(data.getSize()); }
};

class Counts : public FileItemSubItems {
public:
    std::uint64_t countOfFolders() const override { return 3; }
    std::uint64_t countOfFiles() const override { return 7; }
};

} // namespace

TEST(FileItemData, FirstSizeWinsAndIsReportedOnce) {
    std::string base = Sandbox::process().makeFolder("size");
    auto item = FileItem::createTreeForPath(base, nullptr);
    std::shared_ptr<FileItemData> data = item->getData();
    EXPECT_EQ(item->getData(), data);
    EXPECT_EQ(data->getFileItem(), item);
    EXPECT_TRUE(data->isNeedCalculateSize());
    auto listener = std::make_shared<SizeListener>();
    data->setListener(listener);
    data->onSizeCalculated(4096);
    data->onSizeCalculated(8192);
    EXPECT_EQ(data->getSize(), 4096u);
    EXPECT_FALSE(data->isSizeCalculating());
    EXPECT_EQ(listener->sizes, std::vector<std::uint64_t>{4096});
}

TEST(FileItemData, CountsAddTheItemItselfToItsContents) {
    std::string base = Sandbox::process().makeFolder("counts");
    writeFile(base + "/file", "x");
    auto folder = FileItem::createTreeForPath(base, nullptr);
    auto file = folder->getChildrenWithName("file");
    EXPECT_EQ(folder->getData()->countOfFolders(), 1u);
    EXPECT_EQ(folder->getData()->countOfFiles(), 0u);
    EXPECT_EQ(file->getData()->countOfFiles(), 1u);
    folder->getData()->setSubItems(std::make_shared<Counts>());
    EXPECT_EQ(folder->getData()->countOfFolders(), 4u);
    EXPECT_EQ(folder->getData()->countOfFiles(), 7u);
}

TEST(FileItemData, DatesAreReadOnceFromTheItemItself) {
    std::string base = Sandbox::process().makeFolder("dates");
    writeFile(base + "/file", "x");
    ASSERT_EQ(symlink("file", (base + "/link").c_str()), 0);
    // Loading follows the link to see what it leads to, which touches its access time.
    auto item = FileItem::createTreeForPath(base + "/link", nullptr);
    const timespec times[2] = {{1000000000, 0}, {1200000000, 500}};
    ASSERT_EQ(utimensat(AT_FDCWD, (base + "/link").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    auto data = item->getData();
    using Clock = std::chrono::system_clock;
    EXPECT_EQ(data->getLastAccessDate(), Clock::time_point(std::chrono::seconds(1000000000)));
    auto modified = Clock::time_point(std::chrono::seconds(1200000000)) +
                    std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(500));
    EXPECT_EQ(data->lastModificationDate(), modified);

    // Kept once read, and settable.
    ASSERT_EQ(utimensat(AT_FDCWD, (base + "/link").c_str(), nullptr, AT_SYMLINK_NOFOLLOW), 0);
    EXPECT_EQ(data->lastModificationDate(), modified);
    data->setLastModificationDate(Clock::time_point());
    EXPECT_EQ(data->lastModificationDate(), Clock::time_point());

    // Without its item there is nothing to read.
    std::shared_ptr<FileItemData> orphan;
    {
        auto item = FileItem::createTreeForPath(base + "/file", nullptr);
        orphan = item->getData();
    }
    EXPECT_EQ(orphan->getFileItem(), nullptr);
    EXPECT_EQ(orphan->getCreationDate(), std::nullopt);
    EXPECT_EQ(orphan->countOfFiles(), 1u);
}
