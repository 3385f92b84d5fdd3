#pragma once

#include <string>
#include <vector>

namespace platform {

// The attributes of one item that callers ask about (the item's own, a final
// symbolic link is not followed).
struct ItemAttributes {
    // The kernel's immutable flag; false where the file system has no such flag.
    bool immutable{false};

    // Extended attribute names as the kernel lists them, namespace included
    // ("user.com.example.note"); empty where the file system has none.
    std::vector<std::string> extendedAttributeNames;
};

} // namespace platform
