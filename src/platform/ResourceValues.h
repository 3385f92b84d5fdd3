#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

struct stat;

namespace platform {

enum class FileResourceType {
    NamedPipe,
    CharacterSpecial,
    Directory,
    BlockSpecial,
    Regular,
    SymbolicLink,
    Socket,
    Unknown,
};

// The resource values of one item, always its own: a final symbolic link is never
// followed. A value that could not be read is absent; callers treat it as unknown.
struct ResourceValues {
    std::optional<bool> isDirectory;
    std::optional<bool> isPackage;
    std::optional<bool> isApplication;
    std::optional<bool> isSymbolicLink;
    std::optional<FileResourceType> fileResourceType;

    // 1 for every folder (see docs/filesystem.md), the number of hard links for
    // anything else.
    std::optional<std::uint64_t> linkCount;

    // Bytes allocated on disk; absent for folders, whose own blocks callers do not
    // count.
    std::optional<std::uint64_t> totalFileAllocatedSize;

    // The values of an item from its lstat status; `name` is its last component,
    // which decides the package and application values.
    static ResourceValues fromStatus(const struct stat& status, std::string_view name);

    bool operator==(const ResourceValues&) const = default;
};

} // namespace platform
