#include "search/SimpleSizeCalculation.h"

#include "platform/MainQueue.h"
#include "support/FileTestSupport.h"
#include "support/Sandbox.h"
#include "support/ThreadTestSupport.h"

#include <gtest/gtest.h>
#include <map>

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

} // namespace

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
