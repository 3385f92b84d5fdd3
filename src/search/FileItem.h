#pragma once

#include "search/FileItemListener.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

class FileItemData;
class FileTreeLoader;
class SystemSkipList;

namespace platform {
struct ResourceValues;
}

// One node of an in-memory tree that mirrors part of the file system: a file or folder
// with its name, its kind and, for a loaded folder, its children by name. A tree is
// loaded from a path down to a given depth and can later be refreshed folder by
// folder; additions and removals travel up the listener chain to the root's listener.
//
// A parent owns its children and a child refers to its parent weakly, so dropping the
// root releases the whole tree. Symbolic links are never followed, and packages,
// backup folders and folders with a link count of 2 or more are not walked. Items are
// used by one thread at a time.
class FileItem final : public FileItemListener, public std::enable_shared_from_this<FileItem> {
    struct Token {
        explicit Token() = default;
    };

public:
    // Children by name; each key is a view of that child's own name.
    using Children = std::unordered_map<std::string_view, std::shared_ptr<FileItem>>;

    // A loaded tree, or null for an empty path, a path on the skip list or nothing at
    // the path. Depth 0 loads the item alone, N that many levels below it, and any
    // negative depth everything. `skipList` may be null.
    static std::shared_ptr<FileItem> createTreeForPath(const std::string& path,
                                                       const SystemSkipList* skipList);
    static std::shared_ptr<FileItem> createTreeForPath(const std::string& path, int deep,
                                                       const SystemSkipList* skipList);
    // The same, handing each entry of the root to `onEntryLoaded` as soon as it is
    // loaded with everything below it, before the next one is loaded, so that a reader
    // of the tree can let go of what it does not need while the rest loads. The handler
    // must not give the tree a listener.
    using EntryAction = std::function<void(const std::shared_ptr<FileItem>&)>;
    static std::shared_ptr<FileItem> createTreeForPath(const std::string& path, int deep,
                                                       const SystemSkipList* skipList,
                                                       EntryAction onEntryLoaded);
    // The same for a child named `name` of `parent`: it is added to `parent`, which
    // tells its listener, before its own contents are loaded.
    static std::shared_ptr<FileItem> createTreeForPath(const std::string& path, int deep,
                                                       const std::shared_ptr<FileItem>& parent,
                                                       const std::string& name,
                                                       const SystemSkipList* skipList);
    explicit FileItem(Token) {}
    ~FileItem() override;
    FileItem(const FileItem&) = delete;
    FileItem& operator=(const FileItem&) = delete;

    // Re-lists a folder: every child that vanished is reported removed, then every new
    // entry is loaded (to the root's depth for a root, without contents otherwise) and
    // reported added. Unchanged children keep their objects and are not re-read.
    // Nothing changes for a non-folder or a folder that cannot be listed.
    void updateContentOfDir(const SystemSkipList* skipList);

    void setListener(const std::shared_ptr<FileItemListener>& listener) { m_pListener = listener; }
    // The listener's answer to getFileItemParent(); null without a listener.
    std::shared_ptr<FileItem> getParent() const;
    // Null until the folder's children were loaded or refreshed.
    const Children* getChildren() const { return m_arrChildren.get(); }
    std::shared_ptr<FileItem> getChildrenWithName(std::string_view name) const;
    // Lets go of every child for which `keep` answers false, with all that lies below it,
    // without reporting it removed: the entries are still on the disk, only no longer
    // needed in memory.
    template <class Keep> void dropChildrenExcept(Keep&& keep) {
        if (!m_arrChildren)
            return;
        std::erase_if(*m_arrChildren, [&keep](const auto& entry) { return !keep(*entry.second); });
    }
    // The same for the child of that name, if there is one.
    void dropChild(std::string_view name) {
        if (m_arrChildren)
            m_arrChildren->erase(name);
    }
    const std::string& getNameWithExt() const { return m_sNameWithExt; }

    bool isExist() const { return m_bIsExist; }
    // A folder that may be walked; false for a link to a folder.
    bool isDir() const { return m_bIsDir; }
    // Only ever set for items that first looked like folders.
    bool isSymLink() const { return m_bIsSymLink; }
    bool isPackage() const { return m_bIsPackage; }
    bool isBackup() const { return m_bIsBackup; }

    // Created on first use.
    std::shared_ptr<FileItemData> getData();

    // The path given for a root; for any other item its parent's full path with the
    // name appended, or the bare name once the parent is gone. Cached on first use.
    const std::string& buildFullPath();

private:
    friend class FileTreeLoader;

    // A plain item: no name, no path, not existing, no flags.
    static std::shared_ptr<FileItem> create();

    // The item itself, as parent of the items that report to it.
    std::shared_ptr<FileItem> getFileItemParent() override;
    // Passed on unchanged to this item's listener.
    void onAddedFileItem(const std::shared_ptr<FileItem>& item,
                         const std::shared_ptr<FileItem>& parent) override;
    void onRemovedFileItem(const std::shared_ptr<FileItem>& item,
                           const std::shared_ptr<FileItem>& parent) override;

    // Whether the children hold this very object under its name.
    bool isHasChild(const std::shared_ptr<FileItem>& child) const;
    // Stores the child under its name, replacing another of the same name, and tells
    // the listener; nothing happens for null or a child already held.
    void addChild(const std::shared_ptr<FileItem>& child);
    void removeChild(const std::shared_ptr<FileItem>& child);
    // Tells the listener that the child of that name was removed, without removing it.
    void notifyThatRemovedChildWithName(std::string_view name);

    void loadInfoUsingPath(const std::string& path, int deep, const SystemSkipList* skipList,
                           EntryAction onEntryLoaded = nullptr);
    void loadInfoUsingPath(const std::string& path, int deep,
                           const std::shared_ptr<FileItem>& parent, const std::string& name,
                           const SystemSkipList* skipList);
    void takeMoreCatalogInfo(const platform::ResourceValues& values, const std::string& path);
    // The dictionary half of addChild(); false when nothing was stored.
    bool storeChild(const std::shared_ptr<FileItem>& child);
    // The first listener up the chain that is not an item: the one that finally hears
    // what this item's listener is told.
    std::shared_ptr<FileItemListener> outerListener() const;

    std::string m_sFullPath;
    std::weak_ptr<FileItemListener> m_pListener;
    std::string m_sNameWithExt;
    std::int32_t m_nDeep{0};
    bool m_bIsExist{false};
    bool m_bIsDir{false};
    bool m_bIsSymLink{false};
    bool m_bIsPackage{false};
    bool m_bIsBackup{false};
    std::unique_ptr<Children> m_arrChildren;
    std::shared_ptr<FileItemData> m_pData;
};
