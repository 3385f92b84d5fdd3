#pragma once

#include "platform/OpenFolderWindow.h"
#include "platform/ResourceValues.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Walks everything below a folder, depth first: hidden items and the contents of
// packages included, symbolic links reported but never followed, folders that
// cannot be read reported but not entered. The folder itself may be reached
// through links. However deep the tree, only a bounded number of descriptors is
// open at any time.
class DirectoryEnumerator {
public:
    struct Entry {
        std::string path;
        int level{0}; // 1 for a direct child of the folder
        ResourceValues values;
    };

    // None when the folder cannot be opened.
    static std::unique_ptr<DirectoryEnumerator> create(const std::string& folder);

    ~DirectoryEnumerator();
    DirectoryEnumerator(const DirectoryEnumerator&) = delete;
    DirectoryEnumerator& operator=(const DirectoryEnumerator&) = delete;

    // The next entry; false once the walk is over.
    bool next(Entry& out);

    // Do not enter the folder that next() has just returned.
    void skipDescendants();

    // At most this many folders of the walk are open at once.
    static constexpr std::size_t kMaxOpenFolders = 32;

private:
    struct Frame;

    DirectoryEnumerator() = default;
    void descend();
    void push(Frame frame);
    void pop();
    void evict(Frame& frame);
    bool reopen(int child);
    bool nextName(Frame& frame, std::string& name);

    std::vector<Frame> m_frames;
    OpenFolderWindow m_window{kMaxOpenFolders};
    std::string m_path;           // the path of the top frame's folder
    std::string m_lastName;       // the entry next() returned last
    bool m_descendPending{false}; // that entry is a folder still to be entered
};

} // namespace platform
