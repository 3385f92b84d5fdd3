#pragma once

#include <any>
#include <memory>

namespace platform {
class DispatchGroup;
}

class ObjectProcessorThread;

// What a worker loop needs from the processor that runs it.
class ObjectProcessorThreadManager {
public:
    virtual ~ObjectProcessorThreadManager() = default;

    // The group every worker loop is in while it is busy.
    virtual std::shared_ptr<platform::DispatchGroup> getWorkDispatchGroup() = 0;

    // The next object to work on, taken off the pending list; empty when nothing is pending.
    virtual std::any requestObjectForProcessor(ObjectProcessorThread& thread) = 0;
};
