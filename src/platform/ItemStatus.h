#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// What the file system says about one item: which item it is and of what kind. Callers use it
// to tell whether a path still leads to the item it led to before, without system calls of
// their own.
struct ItemStatus {
    enum class Links { Follow, NoFollow };

    std::uint64_t device{0};
    std::uint64_t inode{0};
    std::uint64_t size{0};
    bool directory{false};
    bool regularFile{false};
    bool symbolicLink{false};
    // A folder in which only an item's owner may remove or rename it (the sticky bit).
    bool restrictedDeletion{false};

    // None when the item cannot be examined. With Links::Follow a final symbolic link is
    // followed, and a dangling one gives none.
    static std::optional<ItemStatus> of(const std::string& path, Links links);

    bool isSameItem(const ItemStatus& other) const {
        return device == other.device && inode == other.inode;
    }
};

} // namespace platform
