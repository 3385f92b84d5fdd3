#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>

namespace platform {

// The folders one walk has entered, told apart by identity rather than by path, so
// that a walk that follows symbolic links enters each folder once: a link back to a
// folder above, two links to one folder, or a folder that is a link to itself cannot
// make it loop or repeat itself.
class FolderVisits {
public:
    // True the first time the folder at `path` (links followed) is met; false for
    // anything that is not a folder, cannot be examined, or was entered before.
    bool enter(const std::string& path);

private:
    // Device and inode of every folder entered.
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_entered;
};

} // namespace platform
