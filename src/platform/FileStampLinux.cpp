#include "platform/FileStamp.h"

#include <sys/stat.h>

namespace platform {

FileStamp FileStamp::of(const std::string& path) {
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0)
        return FileStamp();
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = status.st_dev;
    stamp.inode = status.st_ino;
    stamp.size = static_cast<std::uint64_t>(status.st_size);
    stamp.modifiedSeconds = status.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = status.st_mtim.tv_nsec;
    stamp.changedSeconds = status.st_ctim.tv_sec;
    stamp.changedNanoseconds = status.st_ctim.tv_nsec;
    return stamp;
}

} // namespace platform
