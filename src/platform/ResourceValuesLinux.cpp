#include "platform/FileSystem.h"
#include "platform/ItemName.h"
#include "platform/ResourceValues.h"

#include <sys/stat.h>

namespace platform {

namespace {

FileResourceType typeOf(mode_t mode) {
    switch (mode & S_IFMT) {
    case S_IFIFO:
        return FileResourceType::NamedPipe;
    case S_IFCHR:
        return FileResourceType::CharacterSpecial;
    case S_IFDIR:
        return FileResourceType::Directory;
    case S_IFBLK:
        return FileResourceType::BlockSpecial;
    case S_IFREG:
        return FileResourceType::Regular;
    case S_IFLNK:
        return FileResourceType::SymbolicLink;
    case S_IFSOCK:
        return FileResourceType::Socket;
    default:
        return FileResourceType::Unknown;
    }
}

} // namespace

ResourceValues ResourceValues::fromStatus(const struct stat& status, std::string_view name) {
    ResourceValues values;
    bool folder = S_ISDIR(status.st_mode);
    values.isDirectory = folder;
    values.isSymbolicLink = S_ISLNK(status.st_mode);
    values.fileResourceType = typeOf(status.st_mode);

    std::string_view extension = ItemName::extension(ItemName::lastComponent(name));
    values.isPackage = folder && FileSystem::isPackageExtension(extension);
    values.isApplication = folder && extension == "app";

    // Linux counts "." and every subfolder's ".." as links of a folder, so every
    // folder has two or more. Callers read two or more as "reachable by another
    // path, do not walk" (a hard-linked folder), which Linux file systems do not
    // allow, so an ordinary folder reports 1 and no folder ever reports more.
    if (folder) {
        values.linkCount = 1;
    } else {
        values.linkCount = static_cast<std::uint64_t>(status.st_nlink);
        values.totalFileAllocatedSize = static_cast<std::uint64_t>(status.st_blocks) * 512u;
    }
    return values;
}

} // namespace platform
