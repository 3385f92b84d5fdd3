#pragma once

#include "shell/PathForRemove.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// Hands the leftovers the user chose to remove to the main application.
class NotificationsManager {
public:
    // The manager of the running helper, whose own bundle is the main bundle.
    static NotificationsManager& GetInstance();

    // A manager for a helper whose bundle lies at `ownBundlePath` (none when unknown).
    explicit NotificationsManager(std::optional<std::string> ownBundlePath)
        : m_ownBundlePath(std::move(ownBundlePath)) {}

    // For a non-empty list: finds the main application, writes a watcher message
    // holding the items and asks the workspace to open it with the application. When
    // the message cannot be written, the application is opened by itself. Nothing
    // happens when the main application cannot be found.
    void removeFilePaths(const std::vector<std::shared_ptr<PathForRemove>>& items) const;

    // Where the main application is: the bundle enclosing the helper's own bundle if
    // it has the main application's identifier; else the executable of the first
    // running instance; else an installed copy.
    std::optional<std::string> mainApplicationPath() const;

private:
    std::optional<std::string> m_ownBundlePath;
};
