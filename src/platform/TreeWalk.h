#pragma once

#include "platform/FolderIdentity.h"
#include "platform/OpenFolderWindow.h"
#include "platform/TreeSize.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sys/stat.h>
#include <unordered_set>
#include <vector>

namespace platform {

class SharedTreeWalk;

// A depth-first walk that lists each folder completely before it goes down: the
// sizes of a folder's items are added while it is listed and only the names of its
// subfolders are kept, so a folder needs no position to resume from. That is what
// lets the walk close the descriptors of shallow folders when it goes deep and open
// them again on the way back, and hand subfolders it has not entered yet to another
// thread.
//
// What it counts accumulates over every run until taken: the space of files with one
// name, and each file with several names once, at the first name met.
class TreeWalk {
public:
    // `shared`: the measurement this walk is one part of; the walk then tells it how far
    // it got and hands it subfolders while other walkers wait for work.
    explicit TreeWalk(SharedTreeWalk* shared = nullptr) : m_shared(shared) {}

    // Walks everything below `root`, an open folder, which the walk closes.
    void run(int root);

    // Counts one item that is not a folder.
    void add(const struct stat& status);

    // Everything counted so far: files with one name plus each linked file once.
    std::uint64_t total() const { return m_unlinkedBytes + m_linkedBytes; }
    std::uint64_t unlinkedBytes() const { return m_unlinkedBytes; }
    // The files with several names counted so far, in the order they were met.
    const TreeSize::LinkedFiles& linkedFiles() const { return m_linkedFiles; }
    // Forgets what was counted; linked files already met stay met and are not counted
    // again by this walk.
    void clearCounts();

private:
    // One folder on the way down. The names of its subfolders still to visit are
    // m_names[nextChild, endChild), each ending in a zero byte; `name` is the offset
    // of its own name in the range of its parent.
    struct Frame {
        int folder{-1};
        std::size_t name{0};
        std::size_t firstChild{0};
        std::size_t nextChild{0};
        std::size_t endChild{0};
        FolderIdentity identity; // noted when its descriptor is given up
    };

    void push(int folder, std::size_t name);
    void pop();
    void list(Frame& frame);
    void evict(Frame& frame);
    bool reopen(std::size_t index, int child);
    int openByNames(std::size_t index) const;
    void entered();
    void handOverSubfolders();

    std::vector<Frame> m_frames;
    std::vector<char> m_names;
    std::unique_ptr<char[]> m_listing;
    // The root keeps its descriptor: the others are opened again by their names from it.
    OpenFolderWindow m_window{TreeSize::kMaxOpenFolders, 1};
    std::uint64_t m_unlinkedBytes{0};
    std::uint64_t m_linkedBytes{0};
    TreeSize::LinkedFiles m_linkedFiles;
    std::unordered_set<std::uint64_t> m_seenLinked;
    SharedTreeWalk* m_shared;
    std::size_t m_foldersEntered{0};
};

} // namespace platform
