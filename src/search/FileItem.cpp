#include "search/FileItem.h"

#include "platform/DirectoryListing.h"
#include "platform/Path.h"
#include "platform/ResourceValues.h"
#include "search/FileItemData.h"
#include "search/FileTreeLoader.h"
#include "shell/PathsGenerator.h"

#include <utility>
#include <vector>

std::shared_ptr<FileItem> FileItem::createTreeForPath(const std::string& path,
                                                      const SystemSkipList* skipList) {
    return createTreeForPath(path, -1, skipList);
}

std::shared_ptr<FileItem> FileItem::createTreeForPath(const std::string& path, int deep,
                                                      const SystemSkipList* skipList) {
    auto item = std::make_shared<FileItem>(Token());
    item->loadInfoUsingPath(path, deep, skipList);
    return item->m_bIsExist ? item : nullptr;
}

std::shared_ptr<FileItem> FileItem::createTreeForPath(const std::string& path, int deep,
                                                      const SystemSkipList* skipList,
                                                      EntryAction onEntryLoaded) {
    auto item = std::make_shared<FileItem>(Token());
    item->loadInfoUsingPath(path, deep, skipList, std::move(onEntryLoaded));
    return item->m_bIsExist ? item : nullptr;
}

std::shared_ptr<FileItem> FileItem::createTreeForPath(const std::string& path, int deep,
                                                      const std::shared_ptr<FileItem>& parent,
                                                      const std::string& name,
                                                      const SystemSkipList* skipList) {
    auto item = std::make_shared<FileItem>(Token());
    item->loadInfoUsingPath(path, deep, parent, name, skipList);
    return item->m_bIsExist ? item : nullptr;
}

std::shared_ptr<FileItem> FileItem::create() {
    return std::make_shared<FileItem>(Token());
}

// Releasing a node releases its children from inside its destructor, so a deep tree
// would release itself by recursion as deep as the tree. Children whose last owner is
// the dying tree are emptied here one by one instead.
FileItem::~FileItem() {
    if (!m_arrChildren)
        return;
    std::vector<std::shared_ptr<FileItem>> pending;
    auto takeChildren = [&pending](Children& children) {
        for (auto& entry : children)
            pending.push_back(std::move(entry.second));
        children.clear();
    };
    takeChildren(*m_arrChildren);
    while (!pending.empty()) {
        std::shared_ptr<FileItem> item = std::move(pending.back());
        pending.pop_back();
        if (item && item.use_count() == 1 && item->m_arrChildren)
            takeChildren(*item->m_arrChildren);
    }
}

void FileItem::loadInfoUsingPath(const std::string& path, int deep, const SystemSkipList* skipList,
                                 EntryAction onEntryLoaded) {
    m_nDeep = deep;
    m_sFullPath = path;
    m_pListener.reset();
    m_sNameWithExt = platform::Path::lastComponent(path);
    FileTreeLoader(skipList).loadStandartInfoForPath(shared_from_this(), path, deep,
                                                     std::move(onEntryLoaded));
}

void FileItem::loadInfoUsingPath(const std::string& path, int deep,
                                 const std::shared_ptr<FileItem>& parent, const std::string& name,
                                 const SystemSkipList* skipList) {
    m_sFullPath.clear();
    m_pListener = parent;
    m_sNameWithExt = name;
    FileTreeLoader(skipList).loadStandartInfoForPath(shared_from_this(), path, deep);
}

void FileItem::takeMoreCatalogInfo(const platform::ResourceValues& values,
                                   const std::string& path) {
    if (values.fileResourceType) {
        m_bIsDir = *values.fileResourceType == platform::FileResourceType::Directory;
        m_bIsSymLink = *values.fileResourceType == platform::FileResourceType::SymbolicLink;
    }
    // Two or more marks a folder whose contents are reachable by another path.
    if (values.linkCount && *values.linkCount >= 2)
        m_bIsDir = false;
    if (m_bIsDir) {
        m_bIsPackage = values.isPackage.value_or(false);
        m_bIsBackup = PathsGenerator::isBackupDirectoryOrInBackupDirectory(path);
    }
}

void FileItem::updateContentOfDir(const SystemSkipList* skipList) {
    if (!m_bIsDir)
        return;
    // Listeners run in between and may drop the tree; this item stays until the end.
    std::shared_ptr<FileItem> self = shared_from_this();
    std::string path = buildFullPath();
    platform::DirectoryListing listing;
    if (!listing.open(path, platform::DirectoryListing::FinalLink::Follow) || !listing.read())
        return;

    const auto& entries = listing.entries();
    auto kept = std::make_unique<Children>();
    kept->reserve(entries.size());
    std::vector<std::size_t> added;
    for (std::size_t index = 0; index < entries.size(); ++index) {
        if (m_arrChildren) {
            auto node = m_arrChildren->extract(entries[index].name);
            if (!node.empty()) {
                kept->insert(std::move(node));
                continue;
            }
        }
        added.push_back(index);
    }

    // What is left of the old children vanished from the disk.
    std::vector<std::shared_ptr<FileItem>> vanished;
    if (m_arrChildren) {
        for (const auto& entry : *m_arrChildren)
            vanished.push_back(entry.second);
    }
    for (const auto& child : vanished)
        notifyThatRemovedChildWithName(child->m_sNameWithExt);
    m_arrChildren = std::move(kept);

    if (!added.empty())
        FileTreeLoader(skipList).loadEntries(self, std::move(listing), added, path, m_nDeep);
}

bool FileItem::isHasChild(const std::shared_ptr<FileItem>& child) const {
    if (!child || !m_arrChildren)
        return false;
    auto found = m_arrChildren->find(child->m_sNameWithExt);
    return found != m_arrChildren->end() && found->second == child;
}

bool FileItem::storeChild(const std::shared_ptr<FileItem>& child) {
    if (!m_arrChildren)
        m_arrChildren = std::make_unique<Children>();
    auto [found, inserted] = m_arrChildren->try_emplace(child->m_sNameWithExt, child);
    if (inserted)
        return true;
    if (found->second == child)
        return false;
    // The key is a view of the earlier child's name, so the entry is made anew.
    m_arrChildren->erase(found);
    m_arrChildren->emplace(child->m_sNameWithExt, child);
    return true;
}

void FileItem::addChild(const std::shared_ptr<FileItem>& child) {
    if (!child || !storeChild(child))
        return;
    if (auto listener = outerListener())
        listener->onAddedFileItem(child, shared_from_this());
}

void FileItem::removeChild(const std::shared_ptr<FileItem>& child) {
    if (!isHasChild(child))
        return;
    // `child` may be a reference to the very entry that is erased.
    std::shared_ptr<FileItem> removed = child;
    m_arrChildren->erase(removed->m_sNameWithExt);
    if (auto listener = outerListener())
        listener->onRemovedFileItem(removed, shared_from_this());
}

void FileItem::notifyThatRemovedChildWithName(std::string_view name) {
    std::shared_ptr<FileItem> child = getChildrenWithName(name);
    if (!child)
        return;
    if (auto listener = outerListener())
        listener->onRemovedFileItem(child, shared_from_this());
}

std::shared_ptr<FileItem> FileItem::getFileItemParent() {
    return shared_from_this();
}

void FileItem::onAddedFileItem(const std::shared_ptr<FileItem>& item,
                               const std::shared_ptr<FileItem>& parent) {
    if (auto listener = outerListener())
        listener->onAddedFileItem(item, parent);
}

void FileItem::onRemovedFileItem(const std::shared_ptr<FileItem>& item,
                                 const std::shared_ptr<FileItem>& parent) {
    if (auto listener = outerListener())
        listener->onRemovedFileItem(item, parent);
}

// Items pass events on unchanged, so the chain is climbed here in a loop rather than
// by each item calling the next, which would recurse as deep as the tree.
std::shared_ptr<FileItemListener> FileItem::outerListener() const {
    std::shared_ptr<FileItemListener> listener = m_pListener.lock();
    while (listener) {
        auto* item = dynamic_cast<FileItem*>(listener.get());
        if (!item)
            break;
        listener = item->m_pListener.lock();
    }
    return listener;
}

std::shared_ptr<FileItem> FileItem::getParent() const {
    std::shared_ptr<FileItemListener> listener = m_pListener.lock();
    return listener ? listener->getFileItemParent() : nullptr;
}

std::shared_ptr<FileItem> FileItem::getChildrenWithName(std::string_view name) const {
    if (name.empty() || !m_arrChildren)
        return nullptr;
    auto found = m_arrChildren->find(name);
    return found == m_arrChildren->end() ? nullptr : found->second;
}

std::shared_ptr<FileItemData> FileItem::getData() {
    if (!m_pData)
        m_pData = std::make_shared<FileItemData>(shared_from_this());
    return m_pData;
}

const std::string& FileItem::buildFullPath() {
    if (!m_sFullPath.empty())
        return m_sFullPath;
    // Every item up to the nearest one that knows its path learns its own, top down.
    std::vector<std::shared_ptr<FileItem>> chain{shared_from_this()};
    std::shared_ptr<FileItem> known = getParent();
    while (known && known->m_sFullPath.empty()) {
        chain.push_back(known);
        known = known->getParent();
    }
    const std::string* base = known ? &known->m_sFullPath : nullptr;
    for (auto item = chain.rbegin(); item != chain.rend(); ++item) {
        (*item)->m_sFullPath = base ? platform::Path::appending(*base, (*item)->m_sNameWithExt)
                                    : (*item)->m_sNameWithExt;
        base = &(*item)->m_sFullPath;
    }
    return m_sFullPath;
}
