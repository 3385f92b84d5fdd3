#include "platform/AnchoredPath.h"
#include "platform/FolderVisits.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

bool FolderVisits::enter(const std::string& path) {
    auto item = AnchoredPath::resolve(path);
    struct stat status {};
    if (!item || fstatat(item->folder(), item->name(), &status, 0) != 0 || !S_ISDIR(status.st_mode))
        return false;
    return m_entered.emplace(status.st_dev, status.st_ino).second;
}

} // namespace platform
