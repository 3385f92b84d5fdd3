#pragma once

#include "platform/ItemDates.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

class FileItem;
class FileItemData;

class FileItemDataListener {
public:
    virtual ~FileItemDataListener() = default;
    virtual void onFileItemSizeCalculated(FileItemData& data) = 0;
};

// An aggregate of an item's contents, supplied from outside.
class FileItemSubItems {
public:
    virtual ~FileItemSubItems() = default;
    virtual std::uint64_t countOfFolders() const = 0;
    virtual std::uint64_t countOfFiles() const = 0;
};

// Further facts about one FileItem, made when first asked for: its size once somebody
// has measured it, and its dates, each read from the disk on first request and then
// kept.
class FileItemData {
public:
    using Date = platform::ItemDates::Date;

    // The size of an item whose size has not been calculated yet.
    static constexpr std::uint64_t kSizeNotCalculated = UINT64_MAX;

    explicit FileItemData(const std::shared_ptr<FileItem>& item) : m_pItem(item) {}

    std::shared_ptr<FileItem> getFileItem() const { return m_pItem.lock(); }
    void setListener(const std::shared_ptr<FileItemDataListener>& listener) {
        m_pListener = listener;
    }

    std::uint64_t getSize() const { return m_nSize; }
    bool isNeedCalculateSize() const { return m_nSize == kSizeNotCalculated; }
    bool isSizeCalculating() const { return m_nSize == kSizeNotCalculated; }
    // Keeps the first size that arrives and tells the listener; later ones are ignored.
    void onSizeCalculated(std::uint64_t size);

    // None when the item is gone or its date cannot be read.
    std::optional<Date> getCreationDate();
    std::optional<Date> getLastAccessDate();
    std::optional<Date> lastModificationDate();
    void setLastModificationDate(std::optional<Date> date) { m_lastModificationDate = date; }

    // The aggregate's counts plus the item itself.
    std::uint64_t countOfFolders() const;
    std::uint64_t countOfFiles() const;
    std::shared_ptr<const FileItemSubItems> subItems() const { return m_subItems.load(); }
    void setSubItems(std::shared_ptr<const FileItemSubItems> subItems) {
        m_subItems.store(std::move(subItems));
    }

private:
    std::optional<platform::ItemDates> readDates() const;
    bool itemIsFolder() const;

    std::uint64_t m_nSize{kSizeNotCalculated};
    std::optional<Date> m_pCreationDate;
    std::optional<Date> m_pLastAccessDate;
    std::weak_ptr<FileItem> m_pItem;
    std::weak_ptr<FileItemDataListener> m_pListener;
    std::optional<Date> m_lastModificationDate;
    std::atomic<std::shared_ptr<const FileItemSubItems>> m_subItems;
};
