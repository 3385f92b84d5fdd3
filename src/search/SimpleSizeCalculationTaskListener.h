#pragma once

#include <memory>

class SimpleSizeCalculationTask;

// Told on the main thread when a size calculation task is done.
class SimpleSizeCalculationTaskListener {
public:
    virtual ~SimpleSizeCalculationTaskListener() = default;

    virtual void
    onSimpleSizeCalculationTaskComplete(const std::shared_ptr<SimpleSizeCalculationTask>& task) = 0;
};
