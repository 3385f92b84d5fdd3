#include "search/SimpleSizeCalculation.h"

#include "support/FileTestSupport.h"
#include "platform/MainQueue.h"
#include "support/ThreadTestSupport.h"
#include "support/Sandbox.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

// What is counted below a folder is the walk's business; here each kind of path must
// reach the right measurement, and links at the top are followed.
TEST(SimpleSizeCalculation, MeasuresEachKindOfPathOnce) {
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
        {tree + "/", treeSize},
        {base + "/file.plist", allocatedSize(base + "/file.plist")},
        {base + "/folderLink", treeSize},
        {base + "/dangling", 0},
        {base + "/missing", 0},
    };

    auto listener = std::make_shared<RecordingListener>();
    std::vector<TaskPointer> tasks;
    for (const auto& [path, size] : cases)
        tasks.push_back(addTask(path, listener));
    settle(tasks, *listener, static_cast<int>(tasks.size()));
    EXPECT_EQ(listener->total, static_cast<int>(tasks.size()));
    for (std::size_t index = 0; index < tasks.size(); ++index) {
        EXPECT_EQ(tasks[index]->itemSize(), cases[index].second) << cases[index].first;
        EXPECT_EQ(listener->reports[tasks[index].get()], 1) << cases[index].first;
    }
}

// Every run ends once its tasks are done; each later task starts a new run. Reports reach
// only listeners that still exist, and a task does not keep its listener alive.
TEST(SimpleSizeCalculation, MeasuresTasksAddedAfterARunHasEnded) {
    std::string folder = Sandbox::process().makeFolder("runs");
    auto listener = std::make_shared<RecordingListener>();
    for (int run = 1; run <= 3; ++run) {
        writeFile(folder + "/file" + std::to_string(run), std::string(run * 5000, 'r'));
        auto dropped = std::make_shared<RecordingListener>();
        std::weak_ptr<RecordingListener> droppedWatch = dropped;
        auto orphan = addTask(folder, dropped);
        dropped.reset();
        auto task = addTask(folder, listener);
        settle({task, orphan}, *listener, run);
        EXPECT_TRUE(droppedWatch.expired()) << "a task kept its listener alive";
        EXPECT_EQ(task->itemSize(), nftwSum(folder)) << "run " << run;
        EXPECT_EQ(orphan->itemSize(), task->itemSize());
    }
    EXPECT_EQ(listener->total, 3);
}
