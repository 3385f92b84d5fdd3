#include "shell/MoveToTrashWithoutTrashAccessMonitorSingleDirectory.h"

#include "platform/FileSystem.h"
#include "shell/ApplicationDirectoryUtils.h"
#include "shell/FileURL.h"
#include "shell/NSStringFileSize.h"
#include "shell/PathsGenerator.h"
#include "shell/TrashFolders.h"

#include <set>
#include <vector>

namespace {

// A reference answers the path the kernel knows, with every link resolved, so each Trash
// folder is also compared in its resolved form.
bool isInTrash(const std::string& path) {
    if (PathsGenerator::GetInstance().pathInTrash(path))
        return true;
    for (const std::string& trash : TrashFolders::all()) {
        std::optional<std::string> resolved = platform::FileSystem::resolvedPath(trash);
        if (resolved && trash != *resolved && NSStringFileSize::isInFolder(path, *resolved))
            return true;
    }
    return false;
}

} // namespace

MoveToTrashWithoutTrashAccessMonitorSingleDirectory::
    MoveToTrashWithoutTrashAccessMonitorSingleDirectory(std::string path, int level)
    : m_path(std::move(path)), m_level(level) {}

std::shared_ptr<MoveToTrashWithoutTrashAccessMonitorSingleDirectory>
MoveToTrashWithoutTrashAccessMonitorSingleDirectory::create(std::string path, int level) {
    std::shared_ptr<Mirror> mirror(new Mirror(std::move(path), level));
    mirror->m_identity = FolderReturnWatch::Identity::of(mirror->m_path);
    mirror->updateContent();
    if (mirror->applicationsCount() == 0 && level > 1)
        return mirror;
    mirror->m_directoryObserver = VDKQueue::create();
    if (mirror->m_directoryObserver) {
        mirror->m_directoryObserver->addPath(mirror->m_path);
        mirror->m_directoryObserver->setDelegate(mirror->weak_from_this());
    }
    if (level == 0 && !mirror->m_identity)
        mirror->forgetFolder();
    return mirror;
}

MoveToTrashWithoutTrashAccessMonitorSingleDirectory::
    ~MoveToTrashWithoutTrashAccessMonitorSingleDirectory() {
    if (m_directoryObserver) {
        m_directoryObserver->removePath(m_path);
        m_directoryObserver->setDelegate({});
    }
}

bool MoveToTrashWithoutTrashAccessMonitorSingleDirectory::isTopFolderGone() const {
    return m_level == 0 &&
           (m_lost || !m_identity || FolderReturnWatch::Identity::of(m_path) != m_identity);
}

void MoveToTrashWithoutTrashAccessMonitorSingleDirectory::forgetFolder() {
    m_lost = false;
    checkAllApplications();
    m_subdirectories.clear();
    m_applications.clear();
    if (m_directoryObserver)
        m_directoryObserver->removePath(m_path);
    std::weak_ptr<Mirror> weakSelf = weak_from_this();
    m_returnWatch = FolderReturnWatch::create(m_path, [weakSelf] {
        if (auto self = weakSelf.lock())
            self->onFolderReturned();
    });
}

void MoveToTrashWithoutTrashAccessMonitorSingleDirectory::onFolderReturned() {
    m_returnWatch.reset();
    // Watched before it is read, so that nothing that moves meanwhile is missed. What it
    // holds now was installed, not trashed, and is only recorded.
    if (m_directoryObserver)
        m_directoryObserver->addPath(m_path);
    m_identity = FolderReturnWatch::Identity::of(m_path);
    updateContent();
}

void MoveToTrashWithoutTrashAccessMonitorSingleDirectory::updateContent() {
    if (m_returnWatch)
        return;
    if (isTopFolderGone()) {
        // While it is being created the mirror has no queue yet; it starts waiting then.
        if (m_directoryObserver)
            forgetFolder();
        return;
    }
    auto names = platform::FileSystem::contentsOfDirectory(m_path);
    if (!names)
        return;
    std::set<std::string> foldersSeen;
    std::set<std::string> applicationsSeen;
    std::string prefix = m_path.ends_with('/') ? m_path : m_path + "/";
    for (const std::string& name : *names) {
        std::string full = prefix + name;
        bool isDirectory = false;
        if (!platform::FileSystem::fileExists(full, &isDirectory) || !isDirectory)
            continue;
        platform::ResourceValues values = platform::FileSystem::resourceValues(full);
        if (PathsGenerator::isBackupDirectoryOrInBackupDirectory(full))
            continue;
        if (values.isSymbolicLink.value_or(true))
            continue;
        if (!values.isPackage.value_or(false)) {
            foldersSeen.insert(full);
            if (!m_subdirectories.contains(full)) {
                auto mirror = create(full, m_level + 1);
                mirror->setDelegate(weak_from_this());
                m_subdirectories.emplace(full, std::move(mirror));
            }
            continue;
        }
        if (!ApplicationDirectoryUtils::isApplicationAtURL(FileURL::fromPath(full)))
            continue;
        // A known bundle keeps its reference; only a new one needs a descriptor.
        if (m_applications.contains(full)) {
            applicationsSeen.insert(full);
        } else if (auto reference = platform::FileReference::create(full)) {
            applicationsSeen.insert(full);
            m_applications.emplace(full, std::move(reference));
        }
    }

    std::vector<std::shared_ptr<Mirror>> vanishedFolders;
    for (auto it = m_subdirectories.begin(); it != m_subdirectories.end();) {
        if (foldersSeen.contains(it->first)) {
            ++it;
            continue;
        }
        vanishedFolders.push_back(std::move(it->second));
        it = m_subdirectories.erase(it);
    }
    for (const auto& mirror : vanishedFolders)
        mirror->checkAllApplications();

    std::vector<std::shared_ptr<platform::FileReference>> vanishedApplications;
    for (auto it = m_applications.begin(); it != m_applications.end();) {
        if (applicationsSeen.contains(it->first)) {
            ++it;
            continue;
        }
        vanishedApplications.push_back(std::move(it->second));
        it = m_applications.erase(it);
    }
    for (const auto& reference : vanishedApplications)
        checkApplication(*reference);
}

std::size_t MoveToTrashWithoutTrashAccessMonitorSingleDirectory::applicationsCount() const {
    std::size_t count = m_applications.size();
    for (const auto& [path, mirror] : m_subdirectories)
        count += mirror->applicationsCount();
    return count;
}

void MoveToTrashWithoutTrashAccessMonitorSingleDirectory::checkApplication(
    const platform::FileReference& reference) {
    std::optional<std::string> current = reference.currentPath();
    if (!current || !isInTrash(*current))
        return;
    if (auto receiver = delegate())
        receiver->moveToTrashWithoutTrashAccessMonitorSingleDirectory(*this, *current);
}

void MoveToTrashWithoutTrashAccessMonitorSingleDirectory::checkAllApplications() {
    for (const auto& [path, mirror] : m_subdirectories)
        mirror->checkAllApplications();
    for (const auto& [path, reference] : m_applications)
        checkApplication(*reference);
}

void MoveToTrashWithoutTrashAccessMonitorSingleDirectory::vdkQueue(VDKQueue&,
                                                                   const std::string& noteName,
                                                                   const std::string&) {
    if (m_level == 0 && FolderReturnWatch::isLoss(noteName))
        m_lost = true;
    updateContent();
}

void MoveToTrashWithoutTrashAccessMonitorSingleDirectory::
    moveToTrashWithoutTrashAccessMonitorSingleDirectory(Mirror&, const std::string& path) {
    if (auto receiver = delegate())
        receiver->moveToTrashWithoutTrashAccessMonitorSingleDirectory(*this, path);
}
