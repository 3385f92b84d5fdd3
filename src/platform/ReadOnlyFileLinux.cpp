#include "platform/ReadOnlyFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::unique_ptr<ReadOnlyFile> ReadOnlyFile::open(const std::string& path) {
    const int descriptor =
        ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0)
        return nullptr;
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(descriptor);
        return nullptr;
    }
    return std::unique_ptr<ReadOnlyFile>(
        new ReadOnlyFile(descriptor, static_cast<std::uint64_t>(status.st_size)));
}

ReadOnlyFile::~ReadOnlyFile() {
    close(m_descriptor);
}

std::string ReadOnlyFile::readAt(std::uint64_t offset, std::size_t size) const {
    std::string bytes(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = pread(m_descriptor, bytes.data() + done, size - done,
                                  static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

} // namespace platform
