#include "search/SimpleSizeCalculation.h"

#include "platform/MainQueue.h"
#include "support/FileTestSupport.h"
#include "support/Sandbox.h"
#include "support/ThreadTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <poll.h>
#include <set>
#include <sys/inotify.h>
#include <tuple>
#include <unistd.h>

using platform::MainQueue;
using namespace testing_support;

namespace {

using TaskPointer = std::shared_ptr<SimpleSizeCalculationTask>;

// Counts the reports it receives and checks that each arrives on the main thread.
class RecordingListener : public SimpleSizeCalculationTaskListener {
public:
    void onSimpleSizeCalculationTaskComplete(const TaskPointer& task) override {
        EXPECT_TRUE(MainQueue::shared().isCurrentThread());
        ++reports[task.get()];
        ++total;
    }

    std::map<const SimpleSizeCalculationTask*, int> reports;
    int total{0};
};

TaskPointer addTask(const std::string& path,
                    const std::shared_ptr<SimpleSizeCalculationTaskListener>& listener) {
    auto task = std::make_shared<SimpleSizeCalculationTask>(path, listener);
    SimpleSizeCalculation::GetInstance()->addTask(task);
    return task;
}

// Waits until every task is measured, `listener` has heard `reports` times and the
// calculator has ended its run, then delivers whatever it posted, so that a report that
// should not exist has had every chance to arrive.
void settle(const std::vector<TaskPointer>& tasks, const RecordingListener& listener, int reports) {
    auto measured = [&] {
        for (const auto& task : tasks)
            if (task->itemSize() == SimpleSizeCalculationTask::kSizeNotCalculated)
                return false;
        return listener.total >= reports && !SimpleSizeCalculation::GetInstance()->isWorking();
    };
    ASSERT_TRUE(MainQueue::shared().runUntil(measured, kPatience));
    MainQueue::shared().drain();
}

// Large enough that the calculator shares the walk: `tops` folders of 40 folders of a few
// files each, and in each top folder a second name for a file of the next one, so that
// however the walk is split, some of these names are met by different workers.
std::string buildLargeTree(const std::string& root, int tops) {
    for (int top = 0; top < tops; ++top) {
        for (int folder = 0; folder < 40; ++folder) {
            std::string path = root + "/t" + std::to_string(top) + "/f" + std::to_string(folder);
            makeDirs(path);
            for (int file = 0; file < 6; ++file)
                writeFile(path + "/" + std::to_string(file),
                          file == 0 ? std::string(3000 + folder * 10, 'x') : "");
        }
    }
    for (int top = 0; top < tops; ++top) {
        std::string next = root + "/t" + std::to_string((top + 1) % tops);
        EXPECT_EQ(link((next + "/f0/0").c_str(),
                       (root + "/t" + std::to_string(top) + "/f39/again").c_str()),
                  0);
    }
    return root;
}

std::multiset<std::tuple<dev_t, ino_t, std::uint64_t>>
linkedSet(const platform::TreeSize::LinkedFiles& files) {
    std::multiset<std::tuple<dev_t, ino_t, std::uint64_t>> result;
    for (const auto& file : files)
        result.emplace(file.device, file.inode, file.bytes);
    return result;
}

} // namespace

// Two large trees with a file named in both, measured at once with workers helping each
// other: each task counts what one walker alone counts and is reported once.
TEST(SimpleSizeCalculation, LargeTreesSharedAmongWorkersMeasureWhatOneWorkerMeasures) {
    std::string base = Sandbox::process().makeFolder("large");
    std::string first = buildLargeTree(base + "/first", 8);
    std::string second = buildLargeTree(base + "/second", 6);
    ASSERT_EQ(link((first + "/t3/f3/0").c_str(), (second + "/t2/f2/from-first").c_str()), 0);
    platform::TreeSize::LinkedFiles firstLinked;
    platform::TreeSize::LinkedFiles secondLinked;
    const std::uint64_t firstSize = SimpleSizeCalculation::sizeOfItemAtPath(first, &firstLinked);
    const std::uint64_t secondSize = SimpleSizeCalculation::sizeOfItemAtPath(second, &secondLinked);
    ASSERT_EQ(firstSize, nftwSum(first));
    ASSERT_EQ(firstLinked.size(), 9u);
    ASSERT_EQ(secondLinked.size(), 7u);

    auto listener = std::make_shared<RecordingListener>();
    std::vector<TaskPointer> tasks;
    for (int round = 0; round < 3; ++round) {
        tasks.push_back(addTask(first, listener));
        tasks.push_back(addTask(second, listener));
    }
    settle(tasks, *listener, static_cast<int>(tasks.size()));
    for (std::size_t index = 0; index < tasks.size(); ++index) {
        bool isFirst = index % 2 == 0;
        EXPECT_EQ(tasks[index]->itemSize(), isFirst ? firstSize : secondSize) << index;
        EXPECT_EQ(linkedSet(tasks[index]->linkedFiles()),
                  linkedSet(isFirst ? firstLinked : secondLinked))
            << index;
        EXPECT_EQ(listener->reports[tasks[index].get()], 1) << index;
    }
    EXPECT_EQ(listener->total, static_cast<int>(tasks.size()));
}

// Cancelling while a shared walk is under way neither loses nor doubles any part of it:
// the task is finished and reported whole, and the calculator measures later tasks.
TEST(SimpleSizeCalculation, CancellingInTheMiddleOfASharedWalkStillReportsItWhole) {
    constexpr int kTops = 40;
    std::string base = Sandbox::process().makeFolder("cancel");
    std::string tree = buildLargeTree(base + "/tree", kTops);
    writeFile(base + "/later", std::string(9000, 'l'));
    platform::TreeSize::LinkedFiles linked;
    const std::uint64_t size = SimpleSizeCalculation::sizeOfItemAtPath(tree, &linked);
    // The walk is in the middle when it has opened a few of the top folders.
    int opened = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(opened, 0);
    for (int top = 0; top < kTops; ++top)
        ASSERT_GE(inotify_add_watch(opened, (tree + "/t" + std::to_string(top)).c_str(), IN_OPEN),
                  0);

    auto listener = std::make_shared<RecordingListener>();
    TaskPointer task = addTask(tree, listener);
    std::set<int> openedTops;
    alignas(inotify_event) char events[4096];
    while (openedTops.size() < 4) {
        pollfd wait{opened, POLLIN, 0};
        ASSERT_EQ(poll(&wait, 1, static_cast<int>(kPatience.count())), 1) << "the walk never began";
        for (ssize_t length = read(opened, events, sizeof events), at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->len == 0)
                openedTops.insert(event->wd);
        }
    }
    SimpleSizeCalculation::GetInstance()->cancelAllTasks();
    const bool inTheMiddle = task->itemSize() == SimpleSizeCalculationTask::kSizeNotCalculated;
    close(opened);
    TaskPointer later = addTask(base + "/later", listener);
    settle({task, later}, *listener, 2);
    EXPECT_TRUE(inTheMiddle) << "the walk ended before it was cancelled";
    EXPECT_EQ(task->itemSize(), size);
    EXPECT_EQ(linkedSet(task->linkedFiles()), linkedSet(linked));
    EXPECT_EQ(later->itemSize(), allocatedSize(base + "/later"));
    EXPECT_EQ(listener->reports[task.get()], 1);
    EXPECT_EQ(listener->reports[later.get()], 1);
}

// Each kind of path reaches the right measurement and links at the top are followed. The
// second half starts after the first run has ended, and an orphaned task still gets measured
// without keeping its listener alive.
TEST(SimpleSizeCalculation, MeasuresEachKindOfPathOnceAcrossRuns) {
    std::string base = Sandbox::process().makeFolder("kinds");
    std::string tree = base + "/tree";
    makeDirs(tree + "/Caches/com.example.Foo");
    writeFile(tree + "/Caches/com.example.Foo/Cache.db", std::string(70000, 'c'));
    writeFile(base + "/file.plist", std::string(5000, 'p'));
    makeLink(tree, base + "/folderLink");
    makeLink(base + "/gone", base + "/dangling");
    std::uint64_t treeSize = nftwSum(tree);
    ASSERT_GT(treeSize, 70000u);
    const std::pair<std::string, std::uint64_t> cases[] = {
        {tree, treeSize},
        {base + "/file.plist", allocatedSize(base + "/file.plist")},
        {base + "/dangling", 0},
        {tree + "/", treeSize},
        // Removing a link frees the link, not the folder it points to.
        {base + "/folderLink", allocatedSize(base + "/folderLink")},
        {base + "/missing", 0},
    };
    auto listener = std::make_shared<RecordingListener>();
    std::vector<TaskPointer> tasks;
    for (std::size_t index = 0; index < std::size(cases); ++index) {
        tasks.push_back(addTask(cases[index].first, listener));
        if (index == 2)
            settle(tasks, *listener, 3);
    }
    auto dropped = std::make_shared<RecordingListener>();
    std::weak_ptr<RecordingListener> droppedWatch = dropped;
    tasks.push_back(addTask(tree, dropped));
    dropped.reset();
    settle(tasks, *listener, static_cast<int>(std::size(cases)));
    EXPECT_TRUE(droppedWatch.expired()) << "a task kept its listener alive";
    EXPECT_EQ(tasks.back()->itemSize(), treeSize);
    EXPECT_EQ(listener->total, static_cast<int>(std::size(cases)));
    for (std::size_t index = 0; index < std::size(cases); ++index) {
        EXPECT_EQ(tasks[index]->itemSize(), cases[index].second) << cases[index].first;
        EXPECT_EQ(listener->reports[tasks[index].get()], 1) << cases[index].first;
    }
}
