#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

class SharedTreeWalk;

// The disk space taken by everything below a folder, measured in one lean walk: no
// path string is built and no folder is examined beyond listing it, because this walk
// runs for every leftover the helper measures and some of them hold hundreds of
// thousands of items.
class TreeSize {
public:
    // The sum of the space allocated on disk (st_blocks * 512) to every item below
    // `folder` that is not a folder: files, symbolic links themselves (never
    // followed), pipes, sockets. Folders count nothing, and neither does `folder`
    // itself, which may be reached through links. Hidden items and package contents
    // are included; a file with several hard links counts once, however many of its
    // names lie below `folder`, as du counts. What cannot be read is left out, so a
    // folder that cannot be opened measures 0.
    //
    // Every folder is entered: a folder reachable by a second path would be skipped,
    // but Linux has no hard-linked folders (ResourceValues reports a folder link
    // count of 1 for every folder).
    static std::uint64_t allocatedSizeBelow(const std::string& folder);

    // A file with more than one name, as met by a measurement: counted once there,
    // and told to the caller so that several measurements can count it once together.
    struct LinkedFile {
        dev_t device{0};
        ino_t inode{0};
        std::uint64_t bytes{0};
    };
    using LinkedFiles = std::vector<LinkedFile>;

    // Called when a folder's walk proves large, with the walk, which other threads may
    // then join (SharedTreeWalk::join) to measure parts of it.
    using HelpWanted = std::function<void(const std::shared_ptr<SharedTreeWalk>&)>;

    // The space that removing `path` frees, as du -s counts it: a symbolic link is
    // measured as the link itself and never followed, a folder as everything below
    // it, anything else as its own allocation. 0 when nothing is there. Files with
    // several names are counted once and, when `linked` is given, appended to it.
    // With `helpWanted`, a large folder is measured by every thread that joins the walk
    // it hands out; the result is the same.
    static std::uint64_t allocatedSizeOfItem(const std::string& path, LinkedFiles* linked = nullptr,
                                             const HelpWanted& helpWanted = {});

    // However deep the tree, at most this many of its folders are open at once by each
    // thread that walks it.
    static constexpr std::size_t kMaxOpenFolders = 32;
};

} // namespace platform
