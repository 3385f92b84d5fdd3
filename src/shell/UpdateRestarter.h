#pragma once

#include "shell/VDKQueueDelegate.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class VDKQueue;

// Ends the helper when its own bundle disappears (deleted, moved away or
// replaced): every change reported for the bundle folder is followed by a look
// at whether the folder it started from is still there, without following a final
// symbolic link. An update that puts a new bundle in place of the old one (moved
// in right after the old one was moved out, or swapped with it in one step) leaves
// something at the path by the time the change is looked at, so a different item
// there counts as gone too. Changes of the folder holding the bundle are looked at
// the same way, for a bundle deleted while its executable runs.
//
// Created and used on the main thread; the file events arrive there too.
class UpdateRestarter : public VDKQueueDelegate,
                        public std::enable_shared_from_this<UpdateRestarter> {
public:
    using Terminate = std::function<void()>;

    // The process's restarter for the main bundle, created on first use and kept
    // until the process ends. It quits through the handler set with
    // setApplicationTerminator() (read when the bundle is found gone).
    static std::shared_ptr<UpdateRestarter> GetInstance();

    // How the application object is asked to quit; the helper sets it before the
    // restarter is first used.
    static void setApplicationTerminator(Terminate terminate);

    // A restarter that watches `bundlePath` and calls `terminate` once it is gone;
    // with no path it watches nothing.
    static std::shared_ptr<UpdateRestarter> create(std::optional<std::string> bundlePath,
                                                   Terminate terminate);

    void vdkQueue(VDKQueue& queue, const std::string& noteName, const std::string& fpath) override;

    const std::optional<std::string>& bundlePath() const { return m_sBundlePath; }
    // Whether the bundle folder is being watched.
    bool isWatching() const;

private:
    UpdateRestarter(std::optional<std::string> bundlePath, Terminate terminate)
        : m_sBundlePath(std::move(bundlePath)), m_terminate(std::move(terminate)) {}

    void startWatching();

    // Whether the folder the restarter started from is still at the bundle path.
    bool isBundleInPlace() const;

    std::shared_ptr<VDKQueue> m_pVDKQueue;
    std::optional<std::string> m_sBundlePath;
    // Device and inode of the bundle folder when watching began.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> m_bundleIdentity;
    Terminate m_terminate;
    bool m_bTerminated{false};
};
