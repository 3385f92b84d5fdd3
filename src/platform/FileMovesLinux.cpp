#include "platform/FileMoves.h"
#include "platform/Path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

thread_local std::uint64_t tFolderBytes = 0;

bool writeAll(int descriptor, std::string_view text) {
    while (!text.empty()) {
        ssize_t count = ::write(descriptor, text.data(), text.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        text.remove_prefix(std::size_t(count));
    }
    return true;
}

} // namespace

int FileMoves::renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat status {};
    if (::lstat(to.c_str(), &status) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int FileMoves::createExclusive(const std::string& path, std::string_view contents) {
    int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return errno;
    const bool written = writeAll(descriptor, contents);
    const int error = written ? 0 : errno;
    if (::close(descriptor) != 0 || !written) {
        ::unlink(path.c_str());
        return error ? error : EIO;
    }
    return 0;
}

bool FileMoves::isOwnFolder(const std::string& path, std::uint32_t uid) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == uid;
}

int FileMoves::ensurePrivateFolder(const std::string& path, std::uint32_t uid) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    return isOwnFolder(path, uid) ? 0 : ENOTDIR;
}

std::optional<std::uint64_t> FileMoves::deviceOf(const std::string& path, bool nearest) {
    for (std::string item = path;;) {
        struct stat status {};
        if (::stat(item.c_str(), &status) == 0)
            return status.st_dev;
        if (!nearest || item == "/" || item.empty())
            return std::nullopt;
        item = Path::deletingLastComponent(item);
    }
}

int FileMoves::removeEntry(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

std::uint64_t FileMoves::foldersAllocatedBelow(const std::string& path) {
    tFolderBytes = 0;
    ::nftw(
        path.c_str(),
        [](const char*, const struct stat* status, int type, FTW*) {
            if (type == FTW_D || type == FTW_DNR)
                tFolderBytes += std::uint64_t(status->st_blocks) * 512;
            return 0;
        },
        32, FTW_PHYS | FTW_MOUNT);
    return tFolderBytes;
}

std::optional<std::int64_t> FileMoves::modificationTime(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return status.st_mtime;
}

std::string FileMoves::errorText(int error) {
    return std::strerror(error);
}

std::optional<AppendOnlyFile> AppendOnlyFile::create(const std::string& path, int* error) {
    int descriptor =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0) {
        *error = errno;
        return std::nullopt;
    }
    return AppendOnlyFile(descriptor);
}

AppendOnlyFile::~AppendOnlyFile() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

bool AppendOnlyFile::append(std::string_view line) const {
    ssize_t written;
    do
        written = ::write(m_descriptor, line.data(), line.size());
    while (written < 0 && errno == EINTR);
    return written == static_cast<ssize_t>(line.size());
}

FileLock::FileLock(const std::string& path) {
    m_descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_descriptor < 0)
        return;
    while (::flock(m_descriptor, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(m_descriptor);
            m_descriptor = -1;
            return;
        }
    }
}

FileLock::~FileLock() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

} // namespace platform
