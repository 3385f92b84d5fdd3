#include "platform/AnchoredPath.h"
#include "platform/FileSystem.h"
#include "platform/ItemName.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

bool statusAt(const AnchoredPath& item, struct stat& status, int flags) {
    return fstatat(item.folder(), item.name(), &status, flags) == 0;
}

// The immutable flag from statx where the file system reports it there, else from
// the flags ioctl. The ioctl needs an open descriptor, so it is only tried on
// files and folders: opening a device or a pipe could have side effects.
bool isImmutable(const AnchoredPath& item, mode_t mode) {
    struct statx extended {};
    if (statx(item.folder(), item.name(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &extended) == 0 &&
        (extended.stx_attributes_mask & STATX_ATTR_IMMUTABLE))
        return (extended.stx_attributes & STATX_ATTR_IMMUTABLE) != 0;
    if (!S_ISREG(mode) && !S_ISDIR(mode))
        return false;
    int descriptor = openat(item.folder(), item.name(),
                            O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    int flags = 0;
    bool immutable = ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL);
    close(descriptor);
    return immutable;
}

std::vector<std::string> extendedAttributeNames(const AnchoredPath& item) {
    std::string path = item.pathForPathCalls();
    std::vector<char> buffer;
    for (int attempt = 0; attempt < 8; ++attempt) {
        ssize_t size = llistxattr(path.c_str(), nullptr, 0);
        if (size <= 0)
            return {};
        buffer.resize(static_cast<std::size_t>(size));
        size = llistxattr(path.c_str(), buffer.data(), buffer.size());
        if (size < 0 && errno == ERANGE)
            continue; // The list grew between the two calls.
        if (size <= 0)
            return {};
        std::vector<std::string> names;
        const char* cursor = buffer.data();
        const char* end = cursor + size;
        while (cursor < end) {
            std::string name(cursor, strnlen(cursor, static_cast<std::size_t>(end - cursor)));
            cursor += name.size() + 1;
            if (!name.empty())
                names.push_back(std::move(name));
        }
        return names;
    }
    return {};
}

} // namespace

ResourceValues FileSystem::resourceValues(const std::string& path) {
    auto item = AnchoredPath::resolve(ItemName::withoutTrailingSlashes(path));
    struct stat status {};
    if (!item || !statusAt(*item, status, AT_SYMLINK_NOFOLLOW))
        return {};
    return ResourceValues::fromStatus(status, item->name());
}

std::optional<std::vector<std::string>> FileSystem::contentsOfDirectory(const std::string& path) {
    auto item = AnchoredPath::resolve(path);
    if (!item)
        return std::nullopt;
    int descriptor = openat(item->folder(), item->name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    DIR* stream = fdopendir(descriptor);
    if (!stream) {
        close(descriptor);
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        dirent* entry = readdir(stream);
        if (!entry)
            break;
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    bool failed = errno != 0;
    closedir(stream);
    if (failed)
        return std::nullopt;
    return names;
}

bool FileSystem::fileExists(const std::string& path, bool* isDirectory) {
    if (isDirectory)
        *isDirectory = false;
    auto item = AnchoredPath::resolve(path);
    struct stat status {};
    if (!item || !statusAt(*item, status, 0))
        return false;
    if (isDirectory)
        *isDirectory = S_ISDIR(status.st_mode);
    return true;
}

bool FileSystem::itemExistsNoFollow(const std::string& path, bool* isDirectory) {
    if (fileExists(path, isDirectory))
        return true;
    return isSymbolicLink(path);
}

bool FileSystem::isSymbolicLink(const std::string& path) {
    auto item = AnchoredPath::resolve(ItemName::withoutTrailingSlashes(path));
    struct stat status {};
    return item && statusAt(*item, status, AT_SYMLINK_NOFOLLOW) && S_ISLNK(status.st_mode);
}

std::optional<ItemAttributes> FileSystem::attributesOfItem(const std::string& path) {
    auto item = AnchoredPath::resolve(ItemName::withoutTrailingSlashes(path));
    struct stat status {};
    if (!item || !statusAt(*item, status, AT_SYMLINK_NOFOLLOW))
        return std::nullopt;
    ItemAttributes attributes;
    attributes.immutable = isImmutable(*item, status.st_mode);
    attributes.extendedAttributeNames = extendedAttributeNames(*item);
    return attributes;
}

std::optional<std::string> FileSystem::readFile(const std::string& path, std::size_t maxBytes) {
    auto item = AnchoredPath::resolve(path);
    if (!item)
        return std::nullopt;
    // Non-blocking, so that a named pipe put in a file's place cannot stall the
    // caller; such an item is refused right after.
    int descriptor =
        openat(item->folder(), item->name(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    struct stat status {};
    std::optional<std::string> contents;
    if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
        static_cast<std::uint64_t>(status.st_size) <= maxBytes) {
        // One byte more than allowed is read so that a file that grew while it
        // was being read is noticed.
        const std::size_t capacity = maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes;
        std::string buffer(static_cast<std::size_t>(status.st_size) + 1, '\0');
        std::size_t filled = 0;
        for (;;) {
            if (filled == buffer.size()) {
                if (buffer.size() >= capacity)
                    break;
                buffer.resize(std::min(buffer.size() * 2, capacity));
            }
            ssize_t got = read(descriptor, buffer.data() + filled, buffer.size() - filled);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                break;
            if (got == 0) {
                buffer.resize(filled);
                contents = std::move(buffer);
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
    }
    close(descriptor);
    if (contents && contents->size() > maxBytes)
        return std::nullopt;
    return contents;
}

} // namespace platform
