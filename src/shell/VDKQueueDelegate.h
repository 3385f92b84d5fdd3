#pragma once

#include <string>

class VDKQueue;

// Receives a file event queue's events on the main thread, one call per kind of change.
class VDKQueueDelegate {
public:
    virtual ~VDKQueueDelegate() = default;

    // `noteName` is one of the names in VDKQueueNotes; `fpath` is the path under which the
    // item was added to `queue`. The delegate may add and remove paths of the queue here.
    virtual void vdkQueue(VDKQueue& queue, const std::string& noteName,
                          const std::string& fpath) = 0;
};
