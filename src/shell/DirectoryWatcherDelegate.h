#pragma once

#include <string>

// Told on the main thread of the applications that appeared in a watched folder.
class DirectoryWatcherDelegate {
public:
    virtual ~DirectoryWatcherDelegate() = default;

    // `path` is the full path of an application that is not inside another bundle. The same
    // path may arrive more than once: at the refresh that found it and from the scan of every
    // folder around it that arrived with it.
    virtual void onAddedAppWithPath(const std::string& path) = 0;

    // Never sent: what leaves the watched folder is of no interest.
    virtual void onRemovedAppWithPath(const std::string& path) { (void)path; }
};
