#include "shell/UpdateRestarter.h"

#include "platform/Bundle.h"
#include "platform/ItemStatus.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "shell/NSFileManagerUtils.h"
#include "shell/VDKQueue.h"
#include "shell/VDKQueueNotes.h"

namespace {

// Set and read on the main thread only.
UpdateRestarter::Terminate& applicationTerminator() {
    static UpdateRestarter::Terminate terminate;
    return terminate;
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> identityOf(const std::string& path) {
    auto status = platform::ItemStatus::of(path, platform::ItemStatus::Links::NoFollow);
    if (!status)
        return std::nullopt;
    return std::make_pair(status->device, status->inode);
}

std::optional<std::string> mainBundlePath() {
    if (auto bundle = platform::Bundle::mainBundle())
        return bundle->bundlePath();
    return std::nullopt;
}

} // namespace

std::shared_ptr<UpdateRestarter> UpdateRestarter::GetInstance() {
    static std::shared_ptr<UpdateRestarter> instance;
    if (!instance)
        instance = create(mainBundlePath(), [] {
            if (const Terminate& terminate = applicationTerminator())
                terminate();
        });
    return instance;
}

void UpdateRestarter::setApplicationTerminator(Terminate terminate) {
    applicationTerminator() = std::move(terminate);
}

std::shared_ptr<UpdateRestarter> UpdateRestarter::create(std::optional<std::string> bundlePath,
                                                         Terminate terminate) {
    std::shared_ptr<UpdateRestarter> restarter(
        new UpdateRestarter(std::move(bundlePath), std::move(terminate)));
    restarter->startWatching();
    return restarter;
}

void UpdateRestarter::startWatching() {
    if (!m_sBundlePath || m_sBundlePath->empty())
        return;
    m_pVDKQueue = VDKQueue::create();
    if (!m_pVDKQueue) {
        platform::Log::error(platform::Log::Component::Shell,
                             "cannot watch the helper's own bundle " + *m_sBundlePath);
        return;
    }
    m_bundleIdentity = identityOf(*m_sBundlePath);
    m_pVDKQueue->setDelegate(weak_from_this());
    m_pVDKQueue->addPath(*m_sBundlePath, VDKQueueNotes::All);
    // A folder deleted while something below it is still open (the helper's own executable
    // is) is reported as deleted only when the last user lets go of it: a package manager
    // that removes the bundle file by file leaves the helper with the report of one child
    // gone and the bundle still there, and nothing after. The parent folder is told of every
    // deletion of an entry, so a change there is followed by the same look.
    const std::string parent = platform::Path::deletingLastComponent(*m_sBundlePath);
    if (!parent.empty() && parent != *m_sBundlePath)
        m_pVDKQueue->addPath(parent, VDKQueueNotes::Write | VDKQueueNotes::Delete);
}

bool UpdateRestarter::isBundleInPlace() const {
    if (!m_sBundlePath ||
        !NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(*m_sBundlePath))
        return false;
    return !m_bundleIdentity || identityOf(*m_sBundlePath) == m_bundleIdentity;
}

bool UpdateRestarter::isWatching() const {
    return m_pVDKQueue && m_pVDKQueue->numberOfWatchedPaths() > 0;
}

void UpdateRestarter::vdkQueue(VDKQueue&, const std::string&, const std::string&) {
    // One event may arrive as several kinds of change; the application is asked to
    // quit once.
    if (m_bTerminated || !m_sBundlePath || isBundleInPlace())
        return;
    m_bTerminated = true;
    if (m_terminate)
        m_terminate();
}
