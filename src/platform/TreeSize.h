#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

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
    // are included; a name with several hard links counts at every name. What cannot
    // be read is left out, so a folder that cannot be opened measures 0.
    //
    // Every folder is entered: a folder reachable by a second path would be skipped,
    // but Linux has no hard-linked folders (ResourceValues reports a folder link
    // count of 1 for every folder).
    static std::uint64_t allocatedSizeBelow(const std::string& folder);

    // However deep the tree, at most this many of its folders are open at once.
    static constexpr std::size_t kMaxOpenFolders = 32;
};

} // namespace platform
