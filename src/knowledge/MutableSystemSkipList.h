#pragma once

#include "knowledge/SystemSkipList.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

// The skip list that file trees are given. A new one holds the user's address book
// and calendars; a loaded knowledge base replaces that with its own paths. It is
// filled before it is handed to the trees that use it and only read afterwards, so
// several threads may read it at once.
class MutableSystemSkipList final : public SystemSkipList {
public:
    MutableSystemSkipList();

    void addPath(const std::string& path);
    // Empties the list, built-in paths included.
    void clearContent();

    bool contains(std::string_view path) const override;
    bool mayContainItemsIn(std::string_view folder) const override;

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>()(text);
        }
    };
    using PathSet = std::unordered_set<std::string, Hash, std::equal_to<>>;

    PathSet skipItems;
    // Everything before the last "/" of each path that has one.
    PathSet m_folders;
};
