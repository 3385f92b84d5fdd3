#include "search/FileTreeLoader.h"

#include "knowledge/SystemSkipList.h"
#include "platform/FileSystem.h"
#include "search/FileItem.h"
#include "shell/NSFileManagerUtils.h"

#include <optional>

using platform::DirectoryListing;
using platform::FileResourceType;
using platform::ResourceValues;

namespace {

// The prefix that children's paths share before their "/": the path without trailing
// "/", and empty for the root folder, as the platform's path appending makes them.
std::string folderPathOf(const std::string& path) {
    std::size_t end = path.find_last_not_of('/');
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

} // namespace

void FileTreeLoader::loadStandartInfoForPath(const std::shared_ptr<FileItem>& item,
                                             const std::string& path, int deep) {
    item->m_bIsDir = false;
    if (path.empty() || (m_skipList && m_skipList->contains(path))) {
        item->m_bIsExist = false;
        return;
    }
    bool isDir = false;
    item->m_bIsExist =
        NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(path, &isDir);
    item->m_bIsDir = isDir;
    if (!item->m_bIsExist)
        return;
    m_notify = item->outerListener() != nullptr;
    if (std::shared_ptr<FileItem> parent = item->getParent())
        parent->addChild(item);
    if (!item->m_bIsDir)
        return;

    item->takeMoreCatalogInfo(platform::FileSystem::resourceValues(path), path);
    if (!item->m_bIsDir || item->m_bIsPackage || item->m_bIsBackup || deep == 0)
        return;
    item->m_arrChildren = std::make_unique<FileItem::Children>();
    m_path = folderPathOf(path);
    Frame& frame = spareFrame();
    if (frame.listing.open(path, DirectoryListing::FinalLink::Refuse) && push(item, deep))
        walk(0);
}

void FileTreeLoader::loadStandartInfoForPath(const std::shared_ptr<FileItem>& item,
                                             const std::string& path, int deep,
                                             EntryAction onEntryLoaded) {
    m_onEntryLoaded = std::move(onEntryLoaded);
    loadStandartInfoForPath(item, path, deep);
    m_onEntryLoaded = nullptr;
}

void FileTreeLoader::loadEntries(const std::shared_ptr<FileItem>& folder, DirectoryListing listing,
                                 const std::vector<std::size_t>& indexes,
                                 const std::string& folderPath, int deep) {
    m_notify = folder->outerListener() != nullptr;
    m_path = folderPathOf(folderPath);
    Frame& frame = spareFrame();
    frame.listing = std::move(listing);
    if (!frame.listing.canExamineEntries()) {
        frame.listing.close();
        return;
    }
    frame.folder = folder;
    frame.next = frame.end = 0; // the entries to load are picked below, not walked
    frame.pathLength = m_path.size();
    frame.childDeep = deep;
    frame.checkSkipList = m_skipList && m_skipList->mayContainItemsIn(m_path);
    m_depth = 1;
    for (std::size_t index : indexes) {
        loadEntry(0, index);
        walk(1);
    }
    pop();
}

FileTreeLoader::Frame& FileTreeLoader::spareFrame() {
    if (m_frames.size() == m_depth)
        m_frames.emplace_back();
    return m_frames[m_depth];
}

bool FileTreeLoader::push(const std::shared_ptr<FileItem>& folder, int deep) {
    Frame& frame = m_frames[m_depth];
    DirectoryListing& listing = frame.listing;
    // Names that cannot be examined are never loaded, so such a folder stays empty.
    if (!listing.read() || listing.entries().empty() || !listing.canExamineEntries()) {
        listing.close();
        return false;
    }
    folder->m_arrChildren->reserve(listing.entries().size());
    frame.folder = folder;
    frame.next = 0;
    frame.end = listing.entries().size();
    frame.pathLength = m_path.size();
    frame.childDeep = deep > 0 ? deep - 1 : deep;
    frame.checkSkipList = m_skipList && m_skipList->mayContainItemsIn(m_path);
    ++m_depth;
    if (std::optional<std::size_t> released = m_window.pushed(m_depth))
        m_frames[*released].listing.releaseFolder();
    return true;
}

void FileTreeLoader::pop() {
    std::size_t index = --m_depth;
    Frame& finished = m_frames[index];
    if (index > 0) {
        Frame& parent = m_frames[index - 1];
        m_path.resize(parent.pathLength);
        // Gone or replaced while its subfolders were loaded: the rest of it is not.
        if (m_window.popped(index) && !parent.listing.reacquireFolder(finished.listing, m_path))
            parent.next = parent.end;
    }
    finished.listing.close();
    finished.folder.reset();
}

void FileTreeLoader::walk(std::size_t bottom) {
    while (m_depth > bottom) {
        // Back in the first folder, the entry loaded last is complete.
        if (m_depth == 1)
            handOverLoadedEntry();
        Frame& frame = m_frames[m_depth - 1];
        if (frame.next >= frame.end) {
            pop();
            continue;
        }
        loadEntry(m_depth - 1, frame.next++);
    }
}

void FileTreeLoader::handOverLoadedEntry() {
    if (std::shared_ptr<FileItem> entry = std::move(m_loadedEntry))
        m_onEntryLoaded(entry);
}

void FileTreeLoader::attach(FileItem& folder, const std::shared_ptr<FileItem>& child) const {
    if (m_notify)
        folder.addChild(child);
    else
        folder.storeChild(child);
}

// The standard load of one entry, relative to its folder. The kind the folder records
// for an entry saves examining files; folders, links and entries of unknown kind are
// examined as the path-based load would examine them.
void FileTreeLoader::loadEntry(std::size_t frameIndex, std::size_t entryIndex) {
    spareFrame(); // before any reference into m_frames is taken
    Frame& frame = m_frames[frameIndex];
    const DirectoryListing& listing = frame.listing;
    if (!listing.isOpen())
        return;
    const DirectoryListing::Entry& entry = listing.entries()[entryIndex];
    m_path.resize(frame.pathLength);
    m_path += '/';
    m_path += entry.name;
    if (frame.checkSkipList && m_skipList->contains(m_path))
        return;

    // Whether it exists, and whether it is a folder once links are followed.
    std::optional<ResourceValues> own;
    bool isDir = false;
    if (entry.type == FileResourceType::Unknown) {
        own = listing.valuesOfEntry(entry);
        if (!own)
            return;
        isDir = own->isDirectory.value_or(false);
    }
    if (entry.type == FileResourceType::Directory) {
        isDir = true;
    } else if (entry.type == FileResourceType::SymbolicLink ||
               (own && own->isSymbolicLink.value_or(false))) {
        std::optional<bool> leadsToFolder = listing.entryLeadsToFolder(entry);
        // A dangling or looping link exists as long as the link itself does.
        if (!leadsToFolder && !own && !listing.valuesOfEntry(entry))
            return;
        isDir = leadsToFolder.value_or(false);
    }

    auto child = std::make_shared<FileItem>(FileItem::Token());
    child->m_pListener = frame.folder;
    child->m_sNameWithExt.assign(entry.name);
    child->m_bIsExist = true;
    child->m_bIsDir = isDir;
    attach(*frame.folder, child);
    if (frameIndex == 0 && m_onEntryLoaded)
        m_loadedEntry = child;
    if (!isDir)
        return;

    // Its own kind, then its contents. A folder to be walked is opened right away, and
    // its values are taken from what was opened.
    int deep = frame.childDeep;
    DirectoryListing& next = m_frames[m_depth].listing;
    bool opened = deep != 0 && entry.type != FileResourceType::SymbolicLink &&
                  !(own && own->isSymbolicLink.value_or(false)) && next.open(listing, entry);
    if (opened)
        child->takeMoreCatalogInfo(next.values(), m_path);
    else if (own)
        child->takeMoreCatalogInfo(*own, m_path);
    else
        child->takeMoreCatalogInfo(listing.valuesOfEntry(entry).value_or(ResourceValues()), m_path);

    if (!child->m_bIsDir || child->m_bIsPackage || child->m_bIsBackup || deep == 0) {
        next.close();
        return;
    }
    child->m_arrChildren = std::make_unique<FileItem::Children>();
    if (opened)
        push(child, deep);
}
