#pragma once

#include <string_view>

// A set of absolute paths that must never be offered for removal. Paths are compared
// as exact strings: no normalisation, no case folding, no trailing "/" handling, and
// a path's descendants are not covered by it.
class SystemSkipList {
public:
    virtual ~SystemSkipList() = default;

    virtual bool contains(std::string_view path) const = 0;

    // False only when no path on the list is `folder` + "/" + a name (for the folder
    // "/", written ""), so that a tree loader need not build the paths of a folder's
    // entries to test them one by one. `folder` comes without trailing "/".
    virtual bool mayContainItemsIn(std::string_view folder) const {
        (void)folder;
        return true;
    }
};
