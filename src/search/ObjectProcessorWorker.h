#pragma once

#include <any>

// Does the work for one object of an ObjectsProcessor. The processor's worker loops may
// call one worker object from several threads at once.
class ObjectProcessorWorker {
public:
    virtual ~ObjectProcessorWorker() = default;

    virtual void performWorkForObject(const std::any& object) = 0;
};
