#include "platform/AnchoredPath.h"
#include "platform/FileSystem.h"
#include "platform/ItemName.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

class Descriptor {
public:
    explicit Descriptor(int value = -1) : m_value(value) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }

    int get() const { return m_value; }
    bool valid() const { return m_value >= 0; }
    int release() {
        int value = m_value;
        m_value = -1;
        return value;
    }
    void reset(int value = -1) {
        if (m_value >= 0)
            close(m_value);
        m_value = value;
    }

private:
    int m_value{-1};
};

bool sameItem(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The names in the open folder `folder`, read in one go so that the folder can be
// changed (and its descriptor closed) while they are worked through.
std::optional<std::vector<std::string>> namesIn(int folder) {
    int copy = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* stream = copy >= 0 ? fdopendir(copy) : nullptr;
    if (!stream) {
        if (copy >= 0)
            close(copy);
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(stream)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    closedir(stream);
    return names;
}

// Removes the folder `name` in `parent` and everything below it. Only the folder
// being emptied is open: the walk goes down by name with O_NOFOLLOW and comes back
// up through "..", checking at every step that it is still in the folder it left,
// so that neither a link nor a folder moved during the walk can lead it outside
// the tree, and a chain of any depth needs two descriptors.
bool removeFolder(int parent, const std::string& name, const struct stat& status) {
    struct Level {
        std::string name;
        struct stat status;
        std::vector<std::string> names;
        std::size_t next{0};
    };
    Descriptor current(
        openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened {};
    if (!current.valid() || fstat(current.get(), &opened) != 0 || !sameItem(opened, status))
        return false;
    std::vector<Level> levels;
    levels.push_back({name, opened, namesIn(current.get()).value_or(std::vector<std::string>())});
    bool complete = true;

    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next < level.names.size()) {
            const std::string child = level.names[level.next++];
            struct stat childStatus {};
            if (fstatat(current.get(), child.c_str(), &childStatus, AT_SYMLINK_NOFOLLOW) != 0) {
                complete = complete && errno == ENOENT;
                continue;
            }
            if (!S_ISDIR(childStatus.st_mode)) {
                if (unlinkat(current.get(), child.c_str(), 0) != 0 && errno != ENOENT)
                    complete = false;
                continue;
            }
            int below = openat(current.get(), child.c_str(),
                               O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            struct stat belowStatus {};
            if (below < 0 || fstat(below, &belowStatus) != 0 ||
                !sameItem(belowStatus, childStatus)) {
                if (below >= 0)
                    close(below);
                // An empty folder that cannot be opened can still be removed.
                if (unlinkat(current.get(), child.c_str(), AT_REMOVEDIR) != 0)
                    complete = false;
                continue;
            }
            std::optional<std::vector<std::string>> names = namesIn(below);
            complete = complete && names.has_value();
            current.reset(below);
            levels.push_back({child, belowStatus, names.value_or(std::vector<std::string>())});
            continue;
        }

        std::string finished = level.name;
        levels.pop_back();
        if (levels.empty()) {
            current.reset();
            return unlinkat(parent, finished.c_str(), AT_REMOVEDIR) == 0 && complete;
        }
        int above = openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat aboveStatus {};
        if (above < 0 || fstat(above, &aboveStatus) != 0 ||
            !sameItem(aboveStatus, levels.back().status)) {
            // The folder was moved while it was being emptied: stop rather than
            // remove anything outside the tree.
            if (above >= 0)
                close(above);
            return false;
        }
        current.reset(above);
        if (unlinkat(current.get(), finished.c_str(), AT_REMOVEDIR) != 0)
            complete = false;
    }
    return complete;
}

std::string randomSuffix() {
    static constexpr char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[10]{};
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
        return {};
    std::string suffix;
    for (unsigned char byte : bytes)
        suffix += kAlphabet[byte % (sizeof kAlphabet - 1)];
    return suffix;
}

bool writeAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

bool FileSystem::createDirectory(const std::string& path, bool withIntermediates, mode_t mode) {
    std::string target = ItemName::withoutTrailingSlashes(path);
    if (!withIntermediates) {
        auto item = AnchoredPath::resolve(target);
        return item && mkdirat(item->folder(), item->name(), mode) == 0;
    }
    if (target.empty())
        return false;
    // Folder by folder from the start of the path, each step relative to the last,
    // so that any length works; links to folders along the way are followed.
    Descriptor current(target.front() == '/'
                           ? open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)
                           : openat(AT_FDCWD, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::size_t start = 0;
    while (current.valid() && start < target.size()) {
        std::size_t end = target.find('/', start);
        if (end == std::string::npos)
            end = target.size();
        if (end > start) {
            std::string component = target.substr(start, end - start);
            if (mkdirat(current.get(), component.c_str(), mode) != 0 && errno != EEXIST)
                return false;
            current.reset(
                openat(current.get(), component.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        }
        start = end + 1;
    }
    return current.valid();
}

bool FileSystem::createPrivateDirectory(const std::string& path) {
    std::string target = ItemName::withoutTrailingSlashes(path);
    std::string_view name = ItemName::lastComponent(target);
    if (name.empty() || name == "/" || name == "." || name == "..")
        return false;
    std::size_t slash = target.rfind('/');
    if (slash != std::string::npos && slash > 0 &&
        !createDirectory(target.substr(0, slash), true, 0700))
        return false;
    auto item = AnchoredPath::resolve(target);
    if (!item || (mkdirat(item->folder(), item->name(), 0700) != 0 && errno != EEXIST))
        return false;
    // Whatever is there now, created by us or found, must be our own real folder.
    Descriptor folder(
        openat(item->folder(), item->name(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!folder.valid() || fstat(folder.get(), &status) != 0 || status.st_uid != geteuid())
        return false;
    return (status.st_mode & 07777) == 0700 || fchmod(folder.get(), 0700) == 0;
}

std::optional<std::string> FileSystem::resolvedPath(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return std::nullopt;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

bool FileSystem::removeFile(const std::string& path) {
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool FileSystem::removeItem(const std::string& path) {
    auto item = AnchoredPath::resolve(ItemName::withoutTrailingSlashes(path));
    struct stat status {};
    if (!item || fstatat(item->folder(), item->name(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (!S_ISDIR(status.st_mode))
        return unlinkat(item->folder(), item->name(), 0) == 0;
    return removeFolder(item->folder(), item->name(), status);
}

bool FileSystem::writeFileAtomically(const std::string& path, std::string_view bytes, mode_t mode) {
    if (path.empty() || path.back() == '/')
        return false;
    auto target = AnchoredPath::openParent(path);
    if (!target)
        return false;
    const std::string name = target->name();
    std::string temporary;
    Descriptor file;
    for (int attempt = 0; attempt < 16 && !file.valid(); ++attempt) {
        // Hidden, beside the target, and short enough for any target name.
        temporary = "." + name.substr(0, 200) + "." + randomSuffix() + ".tmp";
        file.reset(openat(target->folder(), temporary.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!file.valid() && errno != EEXIST)
            return false;
    }
    if (!file.valid())
        return false;
    // The mode is set exactly, whatever the process's umask.
    bool written =
        writeAll(file.get(), bytes) && fchmod(file.get(), mode) == 0 && fsync(file.get()) == 0;
    int closed = close(file.release());
    if (!written || closed != 0 ||
        renameat(target->folder(), temporary.c_str(), target->folder(), name.c_str()) != 0) {
        unlinkat(target->folder(), temporary.c_str(), 0);
        return false;
    }
    // The rename itself is durable only once the folder is synced.
    fsync(target->folder());
    return true;
}

} // namespace platform
