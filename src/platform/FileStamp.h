#pragma once

#include <cstdint>
#include <string>

namespace platform {

// What tells one version of a file from another without reading it: the device and
// inode it lives in, its size, and when its contents and its status last changed.
// Replacing a file (a new inode), rewriting or touching it, or changing its permissions
// gives a different stamp. A missing or unexaminable file has the stamp of no file.
struct FileStamp {
    bool exists{false};
    std::uint64_t device{0};
    std::uint64_t inode{0};
    std::uint64_t size{0};
    std::int64_t modifiedSeconds{0};
    std::int64_t modifiedNanoseconds{0};
    std::int64_t changedSeconds{0};
    std::int64_t changedNanoseconds{0};

    // The stamp of the file at `path`, following a final symbolic link as reading it does.
    static FileStamp of(const std::string& path);

    bool operator==(const FileStamp&) const = default;
};

} // namespace platform
