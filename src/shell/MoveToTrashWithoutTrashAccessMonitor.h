#pragma once

#include "shell/MoveToTrashWithoutTrashAccessMonitorDelegate.h"
#include "shell/MoveToTrashWithoutTrashAccessMonitorSingleDirectory.h"
#include "shell/MoveToTrashWithoutTrashAccessMonitorSingleDirectoryDelegate.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

// Sees applications being moved to the Trash without being allowed to list the Trash folder:
// it mirrors the user's and the system's applications folders and follows every application
// that leaves them. An application that arrived in the Trash is reported to the delegate five
// seconds later, if it is still there. Applications from elsewhere are not seen.
//
// Created, used and released on the main thread.
class MoveToTrashWithoutTrashAccessMonitor
    : public MoveToTrashWithoutTrashAccessMonitorSingleDirectoryDelegate,
      public std::enable_shared_from_this<MoveToTrashWithoutTrashAccessMonitor> {
public:
    // The time between noticing an application in the Trash and reporting it.
    static constexpr std::chrono::milliseconds kReportDelay{5000};

    // Mirrors both applications folders at once; nothing found then is reported.
    static std::shared_ptr<MoveToTrashWithoutTrashAccessMonitor> create();

    std::shared_ptr<MoveToTrashWithoutTrashAccessMonitorDelegate> delegate() const {
        return m_delegate.lock();
    }
    void setDelegate(std::weak_ptr<MoveToTrashWithoutTrashAccessMonitorDelegate> delegate) {
        m_delegate = std::move(delegate);
    }

    // The mirrors of the user's and the system's applications folders, in that order.
    const std::vector<std::shared_ptr<MoveToTrashWithoutTrashAccessMonitorSingleDirectory>>&
    submonitors() const {
        return m_submonitors;
    }

    void moveToTrashWithoutTrashAccessMonitorSingleDirectory(
        MoveToTrashWithoutTrashAccessMonitorSingleDirectory& mirror,
        const std::string& path) override;

private:
    MoveToTrashWithoutTrashAccessMonitor() = default;

    std::weak_ptr<MoveToTrashWithoutTrashAccessMonitorDelegate> m_delegate;
    std::vector<std::shared_ptr<MoveToTrashWithoutTrashAccessMonitorSingleDirectory>> m_submonitors;
};
