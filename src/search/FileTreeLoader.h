#pragma once

#include "platform/DirectoryListing.h"
#include "platform/OpenFolderWindow.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class FileItem;
class SystemSkipList;

// Loads items and what lies below them for FileItem. The item a load starts from is
// examined by its path; everything below it is examined relative to its open parent
// folder, depth first, with one path buffer and listings reused folder after folder,
// and with at most kMaxOpenFolders folders open however deep the tree is.
class FileTreeLoader {
public:
    static constexpr std::size_t kMaxOpenFolders = 32;

    // An entry of the item a load started from, loaded with everything below it.
    using EntryAction = std::function<void(const std::shared_ptr<FileItem>&)>;

    explicit FileTreeLoader(const SystemSkipList* skipList) : m_skipList(skipList) {}

    // Loads `item`, whose name and listener are already set, from `path` to `deep`
    // levels: existence, the report to its parent, then its own kind and contents.
    void loadStandartInfoForPath(const std::shared_ptr<FileItem>& item, const std::string& path,
                                 int deep);
    // The same load, handing each entry of `item` to `onEntryLoaded` as soon as it is
    // loaded with everything below it, before the next entry is loaded: a caller that
    // reads the tree once can read it entry by entry and let go of what it does not need
    // while the rest loads, instead of holding the whole tree at once. `onEntryLoaded`
    // may read and trim what it is handed but must not give the tree a listener; an
    // empty handler makes it the plain load.
    void loadStandartInfoForPath(const std::shared_ptr<FileItem>& item, const std::string& path,
                                 int deep, EntryAction onEntryLoaded);

    // Loads the entries at `indexes` of `listing`, the open listing of `folder` at
    // `folderPath`, as new children of `folder`, each to `deep` levels.
    void loadEntries(const std::shared_ptr<FileItem>& folder, platform::DirectoryListing listing,
                     const std::vector<std::size_t>& indexes, const std::string& folderPath,
                     int deep);

private:
    // A folder whose entries are being loaded.
    struct Frame {
        std::shared_ptr<FileItem> folder;
        platform::DirectoryListing listing;
        std::size_t next{0};
        std::size_t end{0};
        std::size_t pathLength{0}; // of the folder's path in m_path
        int childDeep{0};          // the depth its entries are loaded to
        bool checkSkipList{false};
    };

    // Makes `folder` the frame above the current ones; false when it has nothing to load.
    bool push(const std::shared_ptr<FileItem>& folder, int deep);
    void pop();
    void walk(std::size_t bottom);
    void loadEntry(std::size_t frameIndex, std::size_t entryIndex);
    void attach(FileItem& folder, const std::shared_ptr<FileItem>& child) const;
    // Hands the entry of the first folder that was loaded last to m_onEntryLoaded, once.
    void handOverLoadedEntry();
    Frame& spareFrame();

    const SystemSkipList* m_skipList{nullptr};
    // Whether anybody hears of additions. Without a listener at the top of the chain
    // nobody can run during the load, so the answer holds until it ends.
    bool m_notify{false};
    std::vector<Frame> m_frames; // frames past m_depth are kept for their buffers
    std::size_t m_depth{0};
    platform::OpenFolderWindow m_window{kMaxOpenFolders};
    std::string m_path; // the path of the entry being loaded, or of its folder
    EntryAction m_onEntryLoaded;
    std::shared_ptr<FileItem> m_loadedEntry; // loaded, below it too, not yet handed over
};
