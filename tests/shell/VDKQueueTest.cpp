#include "shell/VDKQueue.h"

#include "FileEventTestSupport.h"
#include "support/Sandbox.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
namespace Notes = VDKQueueNotes;

TEST(VDKQueue, ReportsChangesUnderThePathItemsWereAddedWith) {
    QueueWithDelegate watched;
    ASSERT_TRUE(watched.queue);
    auto& delegate = *watched.delegate;
    std::string base = Sandbox::process().makeFolder("folder");
    std::string folder = base + "/Watched", file = base + "/log";
    makeDirs(folder);
    writeFile(file, "first");
    watched.queue->addPath(folder);
    watched.queue->addPath(file);

    makeDirs(folder + "/Sub");
    EXPECT_EQ(delegate.take(2), (std::vector{event(Notes::FileWrittenToNotification, folder),
                                             event(Notes::LinkCountChangedNotification, folder)}));
    std::string moved = base + "/Moved";
    ASSERT_EQ(std::rename(folder.c_str(), moved.c_str()), 0);
    EXPECT_EQ(delegate.take(1), (std::vector{event(Notes::FileRenamedNotification, folder)}));
    // The item now lives elsewhere; its events still carry the path it was added under.
    writeFile(moved + "/note", "x");
    EXPECT_EQ(delegate.take(1), (std::vector{event(Notes::FileWrittenToNotification, folder)}));

    // A file that grows again counts from its last size, not from the size it had when added.
    const auto grown = std::vector{event(Notes::FileWrittenToNotification, file),
                                   event(Notes::FileSizeIncreasedNotification, file)};
    appendTo(file, " more");
    EXPECT_EQ(delegate.take(2), grown);
    ASSERT_EQ(truncate(file.c_str(), 2), 0);
    EXPECT_EQ(delegate.take(1), (std::vector{event(Notes::FileWrittenToNotification, file)}));
    appendTo(file, "abc");
    EXPECT_EQ(delegate.take(2), grown);

    ASSERT_EQ(unlink(file.c_str()), 0);
    EXPECT_TRUE(delegate.waitForEvent(Notes::FileDeletedNotification, file));
    // The entry stays until it is removed, as the descriptor of a deleted item would.
    EXPECT_EQ(watched.queue->numberOfWatchedPaths(), 2u);
}

TEST(VDKQueue, DropsEventsOfPathsRemovedWhileTheEventsAreUnderWay) {
    auto reader = platform::FileEventReader::create();
    ASSERT_TRUE(reader);
    auto delegate = std::make_shared<RecordingDelegate>();
    auto queue = VDKQueue::create(reader);
    auto released = VDKQueue::create(reader);
    ASSERT_TRUE(queue && released);
    queue->setDelegate(delegate);
    released->setDelegate(delegate);
    std::string removedFolder = Sandbox::process().makeFolder("removed");
    std::string releasedFolder = Sandbox::process().makeFolder("released");
    std::string barrier = Sandbox::process().makeFolder("barrier");
    queue->addPath(removedFolder);
    queue->addPath(barrier);
    released->addPath(releasedFolder);

    // Subscribed after the queues, so once these have been told, the queues' deliveries are
    // waiting on the main queue.
    std::mutex mutex;
    int told = 0;
    std::condition_variable changed;
    auto witness = [&](std::uint32_t) {
        std::lock_guard lock(mutex);
        ++told;
        changed.notify_all();
    };
    auto first = reader->subscribe(removedFolder, Notes::Write, witness);
    auto second = reader->subscribe(releasedFolder, Notes::Write, witness);
    ASSERT_TRUE(first && second);
    writeFile(removedFolder + "/a", "x");
    writeFile(releasedFolder + "/a", "x");
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, kEventPatience, [&] { return told >= 2; }));
    }
    queue->removePath(removedFolder);
    released.reset();

    writeFile(barrier + "/a", "x");
    EXPECT_EQ(delegate->take(1), (std::vector{event(Notes::FileWrittenToNotification, barrier)}));
    EXPECT_EQ(delegate->events.size(), 1u);
    reader->unsubscribe(*first);
    reader->unsubscribe(*second);
}

TEST(VDKQueue, LetsTheDelegateChangeThePathsDuringTheCall) {
    QueueWithDelegate watched;
    ASSERT_TRUE(watched.queue);
    auto& delegate = *watched.delegate;
    std::string folder = Sandbox::process().makeFolder("changing");
    std::string later = Sandbox::process().makeFolder("later");
    watched.queue->addPath(folder);

    // A removal inside the first call of an event stops the calls that would follow it.
    delegate.onEvent = [&](VDKQueue& queue, const std::string&, const std::string& path) {
        queue.removePath(path);
        queue.addPath(later);
        delegate.onEvent = nullptr;
    };
    makeDirs(folder + "/Sub");
    EXPECT_EQ(delegate.take(1), (std::vector{event(Notes::FileWrittenToNotification, folder)}));
    EXPECT_EQ(watched.queue->numberOfWatchedPaths(), 1u);

    // The owner may let go of the queue from inside its own call.
    delegate.onEvent = [&](VDKQueue&, const std::string&, const std::string&) {
        watched.queue.reset();
    };
    makeDirs(later + "/Sub");
    EXPECT_EQ(delegate.take(1), (std::vector{event(Notes::FileWrittenToNotification, later)}));
    EXPECT_FALSE(watched.queue);

    // Nothing else arrives: a fresh queue's event is the next the delegate sees.
    auto next = VDKQueue::create();
    ASSERT_TRUE(next);
    next->setDelegate(watched.delegate);
    next->addPath(folder);
    writeFile(later + "/a", "x");
    writeFile(folder + "/a", "x");
    EXPECT_EQ(delegate.take(1), (std::vector{event(Notes::FileWrittenToNotification, folder)}));
    EXPECT_EQ(delegate.events.size(), 3u);
}
