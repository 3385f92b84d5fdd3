#pragma once

#include "platform/Bundle.h"
#include "shell/FlatpakInstallations.h"
#include "shell/FlatpakMemory.h"
#include "shell/VDKQueueDelegate.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class FolderReturnWatch;

namespace platform {
class DelayedCall;
class SerialQueue;
} // namespace platform

// Notices Flatpak applications being uninstalled, without polling. It watches each
// installation's folder, its "app" folder and its ".changed" file (which flatpak touches on
// every change) with a file event queue; an installation that does not exist yet, or whose
// volume went away, is waited for from its parent (FolderReturnWatch). When the events
// have been quiet for kQuietDelay it lists the installed ids again: an id that left every
// installation was uninstalled, and is reported with what was remembered of it. A new
// commit, a switched "active" link, a second branch or an install elsewhere reports
// nothing, and an installation that is not there keeps the ids it had.
//
// While an application is installed its name, icon and writable folders are remembered
// (FlatpakMemory). At start, remembered ids that no present installation has any more were
// uninstalled while the helper was not running: each is reported once.
//
// Created, used and released on the main thread, where reports arrive; the disk is read
// and the memory kept on a serial queue of its own.
class FlatpakWatcher final : public VDKQueueDelegate,
                             public std::enable_shared_from_this<FlatpakWatcher> {
public:
    static constexpr std::chrono::milliseconds kQuietDelay{2000};
    using Report = std::function<void(const std::shared_ptr<platform::Bundle>&)>;

    // Starts at once: the first listing (and the start's reports) follow on the queue.
    static std::shared_ptr<FlatpakWatcher> create(Report report);
    ~FlatpakWatcher() override;
    FlatpakWatcher(const FlatpakWatcher&) = delete;
    FlatpakWatcher& operator=(const FlatpakWatcher&) = delete;

    const std::vector<FlatpakInstallations::Installation>& installations() const {
        return m_installations;
    }
    // Whether each installation is watched itself (else it is waited for).
    std::vector<bool> watchedInstallations() const;
    // How many listings have finished; for tests and the benchmark.
    std::size_t listingCount() const { return m_listings->load(); }

    void vdkQueue(VDKQueue& queue, const std::string& noteName, const std::string& fpath) override;

private:
    struct State;

    explicit FlatpakWatcher(Report report);
    void start();
    // Watches what exists of the installation, or waits for it.
    void attach(std::size_t index);
    void scheduleListing();
    void list(bool atStart);

    Report m_report;
    std::vector<FlatpakInstallations::Installation> m_installations;
    std::shared_ptr<VDKQueue> m_queue;
    std::vector<std::shared_ptr<FolderReturnWatch>> m_returnWatches;
    std::shared_ptr<platform::DelayedCall> m_pending;
    std::shared_ptr<platform::SerialQueue> m_work;
    // Touched only on m_work.
    std::shared_ptr<State> m_state;
    std::shared_ptr<std::atomic<std::size_t>> m_listings;
};
