#include "platform/FileEventReader.h"

#include "FileEventTestSupport.h"
#include "shell/VDKQueue.h"
#include "support/Sandbox.h"
#include "support/ThreadTestSupport.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace testing_support;
namespace Notes = VDKQueueNotes;

using Watcher = QueueWithDelegate;

TEST(FileEventReader, SharesOneWatchPerItemAndFiltersEachSubscribersKinds) {
    auto reader = platform::FileEventReader::create();
    ASSERT_TRUE(reader);
    std::string base = Sandbox::process().makeFolder("shared");
    std::string folder = base + "/Folder";
    std::string link = base + "/Link";
    makeDirs(folder);
    ASSERT_EQ(symlink(folder.c_str(), link.c_str()), 0);

    Watcher writes(reader), renames(reader);
    ASSERT_TRUE(writes.queue && renames.queue);
    writes.queue->addPath(folder, Notes::Write);
    writes.queue->addPath(link, Notes::Write);
    renames.queue->addPath(folder, Notes::Rename);
    EXPECT_EQ(reader->watchCount(), 1u);

    writeFile(folder + "/a", "x");
    auto both = writes.delegate->take(2);
    std::sort(both.begin(), both.end(), [](auto& a, auto& b) { return a.path < b.path; });
    EXPECT_EQ(both, (std::vector{event(Notes::FileWrittenToNotification, folder),
                                 event(Notes::FileWrittenToNotification, link)}));

    // Leaving the item must not end the watch that others still hold.
    writes.queue->removePath(link);
    renames.queue->removePath(folder);
    renames.queue->addPath(folder, Notes::Rename);
    EXPECT_EQ(reader->watchCount(), 1u);
    writeFile(folder + "/b", "x");
    EXPECT_EQ(writes.delegate->take(1),
              (std::vector{event(Notes::FileWrittenToNotification, folder)}));

    std::string moved = base + "/Moved";
    ASSERT_EQ(std::rename(folder.c_str(), moved.c_str()), 0);
    EXPECT_EQ(renames.delegate->take(1),
              (std::vector{event(Notes::FileRenamedNotification, folder)}));
    EXPECT_EQ(renames.delegate->events.size(), 1u) << "written is not among its kinds";
    EXPECT_EQ(writes.delegate->events.size(), 3u) << "renamed is not among its kinds";

    writes.queue.reset();
    renames.queue->removeAllPaths();
    EXPECT_EQ(renames.queue->numberOfWatchedPaths(), 0u);
    EXPECT_EQ(reader->watchCount(), 0u);
}

TEST(FileEventReader, ForgetsTheWatchOfADeletedItemSoTheNextItemThereCanBeWatched) {
    auto reader = platform::FileEventReader::create();
    ASSERT_TRUE(reader);
    std::string folder = Sandbox::process().makeFolder("recreated");
    Watcher first(reader);
    ASSERT_TRUE(first.queue);
    first.queue->addPath(folder);
    ASSERT_EQ(rmdir(folder.c_str()), 0);
    EXPECT_TRUE(first.delegate->waitForEvent(Notes::FileDeletedNotification, folder));
    ASSERT_TRUE(waitFor([&] { return reader->watchCount() == 0; }));

    makeDirs(folder);
    Watcher second(reader);
    ASSERT_TRUE(second.queue);
    second.queue->addPath(folder);
    // The first queue's entry belongs to the deleted item: re-adding starts anew.
    first.queue->removePath(folder);
    first.queue->addPath(folder);
    writeFile(folder + "/a", "x");
    EXPECT_EQ(second.delegate->take(1),
              (std::vector{event(Notes::FileWrittenToNotification, folder)}));
    EXPECT_TRUE(first.delegate->waitForEvent(Notes::FileWrittenToNotification, folder));
    EXPECT_EQ(reader->watchCount(), 1u);
}

TEST(FileEventReader, StopsPromptlyWhileWatchingAndAfterEvents) {
    Watchdog watchdog("stopping the event reader", std::chrono::seconds(20));
    std::string folder = Sandbox::process().makeFolder("stop");
    for (int round = 0; round < 20; ++round) {
        auto reader = platform::FileEventReader::create();
        ASSERT_TRUE(reader);
        Watcher watcher(reader);
        ASSERT_TRUE(watcher.queue);
        watcher.queue->addPath(folder);
        ASSERT_TRUE(reader->isReading());
        if (round % 2 == 0) {
            writeFile(folder + "/f" + std::to_string(round), "x");
            ASSERT_FALSE(watcher.delegate->take(1).empty());
        }
        // The queue keeps its reader alive; letting go of both ends the thread.
        watcher.queue.reset();
    }
}
