#pragma once

#include <string>

class MoveToTrashWithoutTrashAccessMonitorSingleDirectory;

// How a folder mirror reports an application that it found in the Trash: to its parent's
// mirror, which passes it on, up to the monitor.
class MoveToTrashWithoutTrashAccessMonitorSingleDirectoryDelegate {
public:
    virtual ~MoveToTrashWithoutTrashAccessMonitorSingleDirectoryDelegate() = default;

    virtual void moveToTrashWithoutTrashAccessMonitorSingleDirectory(
        MoveToTrashWithoutTrashAccessMonitorSingleDirectory& mirror, const std::string& path) = 0;
};
