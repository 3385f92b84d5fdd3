#include "search/FileItemData.h"

#include "search/FileItem.h"
#include "support/Sandbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace testing_support;

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
