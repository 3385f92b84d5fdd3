#include "platform/ItemStatus.h"

#include <sys/stat.h>

namespace platform {

std::optional<ItemStatus> ItemStatus::of(const std::string& path, Links links) {
    struct stat status {};
    if (path.empty())
        return std::nullopt;
    int result =
        links == Links::Follow ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status);
    if (result != 0)
        return std::nullopt;
    ItemStatus item;
    item.device = static_cast<std::uint64_t>(status.st_dev);
    item.inode = static_cast<std::uint64_t>(status.st_ino);
    item.size = status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
    item.directory = S_ISDIR(status.st_mode);
    item.regularFile = S_ISREG(status.st_mode);
    item.symbolicLink = S_ISLNK(status.st_mode);
    item.restrictedDeletion = item.directory && (status.st_mode & S_ISVTX) != 0;
    return item;
}

} // namespace platform
