#pragma once

#include <cstddef>
#include <optional>

namespace platform {

// Which folders of a depth-first walk hold a descriptor, so that however deep the walk
// goes at most `limit` are open: the `pinned` bottom ones, which are never given up, and
// the deepest ones up to the top. Folders are counted from the bottom of the walk; the
// top one is the folder being read.
class OpenFolderWindow {
public:
    explicit constexpr OpenFolderWindow(std::size_t limit, std::size_t pinned = 0)
        : m_limit(limit), m_pinned(pinned), m_firstOpen(pinned) {}

    // The walk holds `depth` folders once its newest one is open: the index of the
    // folder that must give up its descriptor for it, if one must.
    std::optional<std::size_t> pushed(std::size_t depth) {
        if (depth - m_firstOpen + m_pinned <= m_limit || m_firstOpen + 1 >= depth)
            return std::nullopt;
        return m_firstOpen++;
    }

    // The walk is back at `depth` folders: whether the top one gave up its descriptor and
    // must take it again.
    bool popped(std::size_t depth) {
        if (depth <= m_pinned || depth > m_firstOpen)
            return false;
        m_firstOpen = depth - 1;
        return true;
    }

private:
    std::size_t m_limit;
    std::size_t m_pinned;
    std::size_t m_firstOpen;
};

} // namespace platform
