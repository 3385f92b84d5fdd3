#include "platform/AnchoredPath.h"
#include "platform/FileReference.h"
#include "platform/ItemName.h"

#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::string_view kDeletedSuffix = " (deleted)";

bool isItem(const std::string& path, const struct stat& item) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && status.st_dev == item.st_dev &&
           status.st_ino == item.st_ino;
}

} // namespace

FileReference::FileReference(int descriptor) : m_descriptor(descriptor) {}

FileReference::~FileReference() {
    if (m_descriptor >= 0)
        close(m_descriptor);
}

std::shared_ptr<FileReference> FileReference::create(const std::string& path) {
    auto item = AnchoredPath::resolve(ItemName::withoutTrailingSlashes(path));
    if (!item)
        return nullptr;
    int descriptor = openat(item->folder(), item->name(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    return std::shared_ptr<FileReference>(new FileReference(descriptor));
}

std::optional<std::string> FileReference::currentPath() const {
    // A deleted item has no links left; that, not the kernel's " (deleted)" suffix
    // on the descriptor's path, is the proof, since a live item may carry that
    // suffix in its name.
    struct stat item {};
    if (fstat(m_descriptor, &item) != 0 || item.st_nlink == 0)
        return std::nullopt;
    std::string link = "/proc/self/fd/" + std::to_string(m_descriptor);
    std::string path(PATH_MAX, '\0');
    ssize_t length = readlink(link.c_str(), path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size())
        return std::nullopt;
    path.resize(static_cast<std::size_t>(length));
    // The path is only answered when it leads back to this very item.
    if (isItem(path, item))
        return path;
    if (path.ends_with(kDeletedSuffix)) {
        path.resize(path.size() - kDeletedSuffix.size());
        if (isItem(path, item))
            return path;
    }
    return std::nullopt;
}

void FileReference::raiseOpenFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    rlim_t soft = limit.rlim_cur;
    limit.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &limit) == 0 || limit.rlim_max != RLIM_INFINITY)
        return;
    // An unlimited hard limit still cannot pass the kernel's own ceiling.
    if (FILE* ceiling = std::fopen("/proc/sys/fs/nr_open", "r")) {
        unsigned long long value = 0;
        if (std::fscanf(ceiling, "%llu", &value) == 1 && value > soft) {
            limit.rlim_cur = static_cast<rlim_t>(value);
            setrlimit(RLIMIT_NOFILE, &limit);
        }
        std::fclose(ceiling);
    }
}

} // namespace platform
