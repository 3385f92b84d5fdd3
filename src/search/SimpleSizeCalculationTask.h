#pragma once

#include "platform/TreeSize.h"
#include "search/SimpleSizeCalculationTaskListener.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
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

    std::weak_ptr<SimpleSizeCalculationTaskListener> listener() const;
    void setListener(std::weak_ptr<SimpleSizeCalculationTaskListener> listener);

    std::string itemPath() const;
    void setItemPath(std::string itemPath);

    // Bytes allocated on disk; 0 when the path does not exist.
    std::uint64_t itemSize() const { return m_itemSize.load(); }
    void setItemSize(std::uint64_t itemSize) { m_itemSize.store(itemSize); }

    // The files with several names that the measurement met (each counted once in
    // itemSize), so that measurements of several paths can be added without counting
    // a file twice.
    platform::TreeSize::LinkedFiles linkedFiles() const;
    void setLinkedFiles(platform::TreeSize::LinkedFiles files);

private:
    mutable std::mutex m_lock;
    std::weak_ptr<SimpleSizeCalculationTaskListener> m_listener;
    std::string m_itemPath;
    platform::TreeSize::LinkedFiles m_linkedFiles;
    std::atomic<std::uint64_t> m_itemSize{kSizeNotCalculated};
};
