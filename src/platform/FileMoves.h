#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The file operations that moving items into a Trash and back is made of. Each answers
// 0 on success or the errno value of the failed system call.
class FileMoves {
public:
    // rename(2) that never replaces what is at `to` (RENAME_NOREPLACE; on a file system
    // without it, a check first, which leaves only a tiny window).
    static int renameWithoutReplacing(const std::string& from, const std::string& to);

    // Creates the file at `path` with O_EXCL and mode 0600, without following a link, and
    // writes `contents`; a file that could not be written whole is removed again.
    static int createExclusive(const std::string& path, std::string_view contents);

    // Makes the folder with mode 0700 when it is missing; ENOTDIR when what is there is not
    // a real folder (a link counts as none) owned by `uid`.
    static int ensurePrivateFolder(const std::string& path, std::uint32_t uid);
    static bool isOwnFolder(const std::string& path, std::uint32_t uid);

    // The device of the item at `path` (links followed), or of the nearest existing folder
    // above it with `nearest`.
    static std::optional<std::uint64_t> deviceOf(const std::string& path, bool nearest = false);

    // unlink(2): removes a file or a link itself, never a folder.
    static int removeEntry(const std::string& path);

    // The space the folders below and including `path` take themselves (not what is in
    // them), not crossing into other volumes: with TreeSize, what `du -B1` reports.
    static std::uint64_t foldersAllocatedBelow(const std::string& path);

    // The modification time in seconds since 1970; none when it cannot be read.
    static std::optional<std::int64_t> modificationTime(const std::string& path);

    static std::string errorText(int error);
};

// A file written a line at a time, each line in one write(2), so that a process killed at
// any moment leaves whole lines only. Closed when destroyed.
class AppendOnlyFile {
public:
    // Creates the file (O_EXCL, mode 0600); errno in `error` when it cannot.
    static std::optional<AppendOnlyFile> create(const std::string& path, int* error);

    AppendOnlyFile(AppendOnlyFile&& other) noexcept : m_descriptor(other.m_descriptor) {
        other.m_descriptor = -1;
    }
    AppendOnlyFile& operator=(AppendOnlyFile&&) = delete;
    AppendOnlyFile(const AppendOnlyFile&) = delete;
    ~AppendOnlyFile();

    bool append(std::string_view line) const;

private:
    explicit AppendOnlyFile(int descriptor) : m_descriptor(descriptor) {}
    int m_descriptor{-1};
};

// An exclusive advisory lock on a file (made when missing), held while the object lives;
// the constructor waits for other holders, in this or another process.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool isHeld() const { return m_descriptor >= 0; }

private:
    int m_descriptor{-1};
};

} // namespace platform
