#include "search/SimpleSizeCalculationTask.h"

SimpleSizeCalculationTask::SimpleSizeCalculationTask(
    std::string itemPath, std::weak_ptr<SimpleSizeCalculationTaskListener> listener)
    : m_listener(std::move(listener)), m_itemPath(std::move(itemPath)) {}

std::weak_ptr<SimpleSizeCalculationTaskListener> SimpleSizeCalculationTask::listener() const {
    platform::MutexLock lock(m_lock);
    return m_listener;
}

void SimpleSizeCalculationTask::setListener(
    std::weak_ptr<SimpleSizeCalculationTaskListener> listener) {
    platform::MutexLock lock(m_lock);
    m_listener = std::move(listener);
}

std::string SimpleSizeCalculationTask::itemPath() const {
    platform::MutexLock lock(m_lock);
    return m_itemPath;
}

void SimpleSizeCalculationTask::setItemPath(std::string itemPath) {
    platform::MutexLock lock(m_lock);
    m_itemPath = std::move(itemPath);
}

platform::TreeSize::LinkedFiles SimpleSizeCalculationTask::linkedFiles() const {
    platform::MutexLock lock(m_lock);
    return m_linkedFiles;
}

void SimpleSizeCalculationTask::setLinkedFiles(platform::TreeSize::LinkedFiles files) {
    platform::MutexLock lock(m_lock);
    m_linkedFiles = std::move(files);
}
