#pragma once

#include <memory>
#include <optional>
#include <string>

namespace platform {

// A reference to one item that follows it through renames and moves on the same
// volume, and that knows when the item has been deleted. It holds a descriptor on
// the item (not on its target, for a symbolic link), so a process keeping many
// references should call raiseOpenFileLimit() once at start.
class FileReference {
public:
    // None when nothing can be opened at `path`.
    static std::shared_ptr<FileReference> create(const std::string& path);

    ~FileReference();
    FileReference(const FileReference&) = delete;
    FileReference& operator=(const FileReference&) = delete;

    // The item's path now; none once it has been deleted, or when its path can no
    // longer be told (longer than PATH_MAX, or only reachable through another hard
    // link after the referenced name was removed).
    std::optional<std::string> currentPath() const;

    // Lifts the soft limit of open descriptors to the hard limit.
    static void raiseOpenFileLimit();

private:
    explicit FileReference(int descriptor);

    int m_descriptor{-1};
};

} // namespace platform
