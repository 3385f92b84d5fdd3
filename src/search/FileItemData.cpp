#include "search/FileItemData.h"

#include "search/FileItem.h"

void FileItemData::onSizeCalculated(std::uint64_t size) {
    if (m_nSize != kSizeNotCalculated)
        return;
    m_nSize = size;
    if (auto listener = m_pListener.lock())
        listener->onFileItemSizeCalculated(*this);
}

std::optional<platform::ItemDates> FileItemData::readDates() const {
    std::shared_ptr<FileItem> item = m_pItem.lock();
    if (!item)
        return std::nullopt;
    return platform::ItemDates::read(item->buildFullPath());
}

std::optional<FileItemData::Date> FileItemData::getCreationDate() {
    if (!m_pCreationDate) {
        if (auto dates = readDates())
            m_pCreationDate = dates->creation;
    }
    return m_pCreationDate;
}

std::optional<FileItemData::Date> FileItemData::getLastAccessDate() {
    if (!m_pLastAccessDate) {
        if (auto dates = readDates())
            m_pLastAccessDate = dates->lastAccess;
    }
    return m_pLastAccessDate;
}

std::optional<FileItemData::Date> FileItemData::lastModificationDate() {
    if (!m_lastModificationDate) {
        if (auto dates = readDates())
            m_lastModificationDate = dates->contentModification;
    }
    return m_lastModificationDate;
}

bool FileItemData::itemIsFolder() const {
    std::shared_ptr<FileItem> item = m_pItem.lock();
    return item && item->isDir();
}

std::uint64_t FileItemData::countOfFolders() const {
    std::shared_ptr<const FileItemSubItems> contents = subItems();
    return (contents ? contents->countOfFolders() : 0) + (itemIsFolder() ? 1 : 0);
}

std::uint64_t FileItemData::countOfFiles() const {
    std::shared_ptr<const FileItemSubItems> contents = subItems();
    return (contents ? contents->countOfFiles() : 0) + (itemIsFolder() ? 0 : 1);
}
