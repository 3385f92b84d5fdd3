#pragma once

#include "platform/Mutex.h"
#include "platform/TreeSize.h"
#include "search/SimpleSizeCalculationTaskListener.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// One request to measure the disk space taken by a path. Its properties may be read and
// written from any thread.
class SimpleSizeCalculationTask {
public:
    // The size of a task that has not been measured yet.
    static constexpr std::uint64_t kSizeNotCalculated = UINT64_MAX;

    SimpleSizeCalculationTask() = default;
    SimpleSizeCalculationTask(std::string itemPath,
                              std::weak_ptr<SimpleSizeCalculationTaskListener> listener);

    SimpleSizeCalculationTask(const SimpleSizeCalculationTask&) = delete;
    SimpleSizeCalculationTask& operator=(const SimpleSizeCalculationTask&) = delete;

    std::weak_ptr<SimpleSizeCalculationTaskListener> listener() const EXCLUDES(m_lock);
    void setListener(std::weak_ptr<SimpleSizeCalculationTaskListener> listener) EXCLUDES(m_lock);

    std::string itemPath() const EXCLUDES(m_lock);
    void setItemPath(std::string itemPath) EXCLUDES(m_lock);

    // Bytes allocated on disk; 0 when the path does not exist.
    std::uint64_t itemSize() const { return m_itemSize.load(); }
    void setItemSize(std::uint64_t itemSize) { m_itemSize.store(itemSize); }

    // The files with several names that the measurement met (each counted once in
    // itemSize), so that measurements of several paths can be added without counting
    // a file twice.
    platform::TreeSize::LinkedFiles linkedFiles() const EXCLUDES(m_lock);
    void setLinkedFiles(platform::TreeSize::LinkedFiles files) EXCLUDES(m_lock);

private:
    mutable platform::Mutex m_lock;
    std::weak_ptr<SimpleSizeCalculationTaskListener> m_listener GUARDED_BY(m_lock);
    std::string m_itemPath GUARDED_BY(m_lock);
    platform::TreeSize::LinkedFiles m_linkedFiles GUARDED_BY(m_lock);
    std::atomic<std::uint64_t> m_itemSize{kSizeNotCalculated};
};
