#include "platform/FolderIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

FolderIdentity FolderIdentity::of(const struct stat& status) {
    FolderIdentity identity;
    identity.m_device = status.st_dev;
    identity.m_inode = status.st_ino;
    identity.m_known = true;
    return identity;
}

FolderIdentity FolderIdentity::of(int descriptor) {
    struct stat status {};
    if (descriptor < 0 || fstat(descriptor, &status) != 0)
        return FolderIdentity();
    return of(status);
}

bool FolderIdentity::matches(int descriptor) const {
    struct stat status {};
    return m_known && descriptor >= 0 && fstat(descriptor, &status) == 0 &&
           status.st_dev == m_device && status.st_ino == m_inode;
}

int FolderIdentity::openParent(int child) {
    return child >= 0 ? openat(child, "..", O_PATH | O_DIRECTORY | O_CLOEXEC) : -1;
}

bool FolderIdentity::keepIfSame(int descriptor) const {
    if (matches(descriptor))
        return true;
    if (descriptor >= 0)
        close(descriptor);
    return false;
}

} // namespace platform
