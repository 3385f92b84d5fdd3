#pragma once

#include <string>

class MoveToTrashWithoutTrashAccessMonitor;

// Told on the main thread of every application bundle that the monitor saw arrive in the
// Trash folder.
class MoveToTrashWithoutTrashAccessMonitorDelegate {
public:
    virtual ~MoveToTrashWithoutTrashAccessMonitorDelegate() = default;

    // `path` is the bundle's full path inside the Trash folder.
    virtual void moveToTrashWithoutTrashAccessMonitor(MoveToTrashWithoutTrashAccessMonitor& monitor,
                                                      const std::string& path) = 0;
};
