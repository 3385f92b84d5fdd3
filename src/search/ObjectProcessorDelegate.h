#pragma once

#include "search/ObjectProcessorWorker.h"

#include <memory>

class ObjectsProcessor;

// Makes the workers of an ObjectsProcessor and is told when its runs begin and complete,
// on the processor's work queue.
class ObjectProcessorDelegate {
public:
    virtual ~ObjectProcessorDelegate() = default;

    virtual std::shared_ptr<ObjectProcessorWorker> createWorker() = 0;
    virtual void onObjectsProcessorWorkBegin(ObjectsProcessor& processor) = 0;
    virtual void onObjectsProcessorWorkCompleted(ObjectsProcessor& processor) = 0;
};
