#include "shell/FolderReturnWatch.h"

#include "platform/FileSystem.h"
#include "platform/ItemStatus.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "shell/VDKQueue.h"
#include "shell/VDKQueueNotes.h"

namespace {

bool isFolder(const std::string& path) {
    bool isDirectory = false;
    return platform::FileSystem::fileExists(path, &isDirectory) && isDirectory;
}

// The nearest folder above `path` that exists; "/" at worst.
std::string nearestExistingFolderAbove(const std::string& path) {
    std::string folder = platform::Path::deletingLastComponent(path);
    while (!folder.empty() && folder != "/" && !isFolder(folder))
        folder = platform::Path::deletingLastComponent(folder);
    return folder.empty() ? "/" : folder;
}

} // namespace

std::optional<FolderReturnWatch::Identity>
FolderReturnWatch::Identity::of(const std::string& path) {
    auto status = platform::ItemStatus::of(path, platform::ItemStatus::Links::Follow);
    if (!status || !status->directory)
        return std::nullopt;
    return Identity{status->device, status->inode};
}

std::shared_ptr<FolderReturnWatch> FolderReturnWatch::create(std::string path,
                                                             std::function<void()> onReturn) {
    std::shared_ptr<FolderReturnWatch> watch(
        new FolderReturnWatch(std::move(path), std::move(onReturn)));
    watch->m_queue = VDKQueue::create();
    if (!watch->m_queue)
        return nullptr;
    watch->m_queue->setDelegate(watch->weak_from_this());
    // The first look happens on the main queue, so the owner has stored the watch before it
    // can be called back.
    std::weak_ptr<FolderReturnWatch> weakWatch = watch;
    platform::MainQueue::shared().async([weakWatch] {
        if (auto self = weakWatch.lock())
            self->follow();
    });
    return watch;
}

FolderReturnWatch::~FolderReturnWatch() {
    if (m_queue) {
        m_queue->setDelegate({});
        m_queue->removeAllPaths();
    }
}

bool FolderReturnWatch::isLoss(const std::string& noteName) {
    return noteName == VDKQueueNotes::FileDeletedNotification ||
           noteName == VDKQueueNotes::FileRenamedNotification ||
           noteName == VDKQueueNotes::AccessWasRevokedNotification;
}

void FolderReturnWatch::vdkQueue(VDKQueue&, const std::string& noteName, const std::string&) {
    if (isLoss(noteName))
        m_watchedLost = true;
    follow();
}

void FolderReturnWatch::follow() {
    if (m_returned)
        return;
    // The owner may release this watch from inside the call back.
    std::shared_ptr<FolderReturnWatch> self = shared_from_this();
    // Each pass either finds the folder, stays put, or moves the watch; folders made while
    // the watch moved are seen by the next pass.
    for (int pass = 0; pass < 256; ++pass) {
        if (isFolder(m_path)) {
            m_returned = true;
            m_queue->removeAllPaths();
            m_watched.clear();
            platform::Log::info(platform::Log::Component::Shell,
                                m_path + " is back; watching it again");
            if (m_onReturn)
                m_onReturn();
            return;
        }
        std::string folder = nearestExistingFolderAbove(m_path);
        std::optional<Identity> identity = Identity::of(folder);
        if (folder == m_watched && identity == m_watchedIdentity && !m_watchedLost)
            return;
        m_watchedLost = false;
        if (m_watched.empty())
            platform::Log::warning(platform::Log::Component::Shell,
                                   m_path + " is gone; watching " + folder + " for its return");
        m_queue->removeAllPaths();
        m_watched = folder;
        m_watchedIdentity = identity;
        m_queue->addPath(folder);
    }
}
