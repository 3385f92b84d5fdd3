#pragma once

#include "platform/TreeSize.h"
#include "search/ObjectProcessorDelegate.h"
#include "search/ObjectProcessorWorker.h"
#include "search/ObjectsProcessor.h"
#include "search/SimpleSizeCalculationTask.h"

#include <cstdint>
#include <memory>
#include <string>

// The process's size calculator: measures the disk space of each task's path on four
// worker loops, the newest tasks first, and reports every task once, on the main queue,
// to its listener if that still exists.
//
// The calculator is its own worker: the loops share it, and it keeps no state between
// tasks. A folder that proves large is measured by its own worker and by idle ones,
// which are handed parts of the walk (platform::SharedTreeWalk); the result and the
// single report are the same as if one worker had measured it.
class SimpleSizeCalculation : public ObjectProcessorDelegate,
                              public ObjectProcessorWorker,
                              public std::enable_shared_from_this<SimpleSizeCalculation> {
public:
    static constexpr std::size_t kCountOfWorkers = 4;

    // Created on first use and kept, with its worker threads, until the process ends.
    static std::shared_ptr<SimpleSizeCalculation> GetInstance();

    // A null task is ignored.
    void addTask(std::shared_ptr<SimpleSizeCalculationTask> task);

    // Drops the tasks that have not started; they are never reported. Tasks being
    // measured are finished and reported, and later tasks are measured as usual.
    void cancelAllTasks();

    // Whether tasks are being measured or waiting.
    bool isWorking() const;

    // What a task measures: what removing the path frees. 0 for a missing path; the
    // space below a folder; a symbolic link's own space, never its target's; the
    // item's own allocated space for anything else. Files with several names count
    // once and are appended to `linked` when it is given.
    static std::uint64_t sizeOfItemAtPath(const std::string& path,
                                          platform::TreeSize::LinkedFiles* linked = nullptr);
    static std::uint64_t fastFolderSizeOfItemWithPath(const std::string& path);
    static std::uint64_t sizeOfFile(const std::string& path);

    std::shared_ptr<ObjectProcessorWorker> createWorker() override;
    void onObjectsProcessorWorkBegin(ObjectsProcessor& processor) override;
    void onObjectsProcessorWorkCompleted(ObjectsProcessor& processor) override;
    void performWorkForObject(const std::any& object) override;

private:
    SimpleSizeCalculation() = default;

    void askForHelp(const std::shared_ptr<platform::SharedTreeWalk>& walk);

    std::shared_ptr<ObjectsProcessor> m_pProcessor;
};
