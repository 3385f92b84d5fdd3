#include "knowledge/ContainerScratchFolder.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kBaseFolderPrefix = "sweepwise-kb.";
constexpr const char* kPartialSuffix = ".partial";

bool validComponent(const std::string& component) {
    return !component.empty() && component != "." && component != ".." &&
           component.find('/') == std::string::npos;
}

// A folder we may trust: a real folder (not a link to one), ours, and writable by
// nobody else.
bool isPrivateFolder(const struct stat& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 022) == 0;
}

bool makeParentFolders(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    std::string parent = path.substr(0, slash);
    struct stat info {};
    if (lstat(parent.c_str(), &info) == 0)
        return true;
    if (!makeParentFolders(parent))
        return false;
    return mkdir(parent.c_str(), 0700) == 0 || errno == EEXIST;
}

// Removes everything inside the folder open at `descriptor`; `depth` bounds the
// recursion (entry names are limited to fewer levels than this).
void removeContents(int descriptor, int depth) {
    int listing = dup(descriptor);
    if (listing < 0)
        return;
    DIR* folder = fdopendir(listing);
    if (!folder) {
        ::close(listing);
        return;
    }
    while (struct dirent* entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (fstatat(descriptor, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            int child =
                openat(descriptor, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                if (depth > 0)
                    removeContents(child, depth - 1);
                ::close(child);
            }
            unlinkat(descriptor, name.c_str(), AT_REMOVEDIR);
        } else {
            unlinkat(descriptor, name.c_str(), 0);
        }
    }
    closedir(folder);
}

} // namespace

std::string ContainerScratchFolder::baseFolderPath() {
    std::string folder = platform::FileSystem::temporaryDirectory();
    if (folder.back() != '/')
        folder += '/';
    return folder + kBaseFolderPrefix + std::to_string(geteuid());
}

bool ContainerScratchFolder::pathExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

std::shared_ptr<ContainerScratchFolder> ContainerScratchFolder::create(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (path.empty() || path[0] != '/' || slash == std::string::npos ||
        !validComponent(path.substr(slash + 1)))
        return nullptr;
    if (!makeParentFolders(path))
        return nullptr;
    std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    if (lstat(parent.c_str(), &info) != 0 || !isPrivateFolder(info))
        return nullptr;
    if (mkdir(path.c_str(), 0700) != 0)
        return nullptr;
    int descriptor = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0 || fstat(descriptor, &info) != 0 || !isPrivateFolder(info)) {
        if (descriptor >= 0)
            ::close(descriptor);
        rmdir(path.c_str());
        return nullptr;
    }
    return std::shared_ptr<ContainerScratchFolder>(new ContainerScratchFolder(path, descriptor));
}

ContainerScratchFolder::ContainerScratchFolder(std::string path, int descriptor)
    : m_path(std::move(path)), m_descriptor(descriptor) {}

ContainerScratchFolder::~ContainerScratchFolder() {
    removeAll();
}

bool ContainerScratchFolder::writeFileAtomically(const std::string& name,
                                                 std::span<const std::uint8_t> bytes) {
    if (m_descriptor < 0 || !validComponent(name))
        return false;
    std::string partial = name + kPartialSuffix;
    int file = openat(m_descriptor, partial.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file < 0)
        return false;
    OutputFile output(file);
    if (!output.write(bytes) || !output.close() ||
        renameat(m_descriptor, partial.c_str(), m_descriptor, name.c_str()) != 0) {
        unlinkat(m_descriptor, partial.c_str(), 0);
        return false;
    }
    return true;
}

std::optional<SecureBuffer> ContainerScratchFolder::readFile(const std::string& name,
                                                             std::size_t limit) const {
    if (m_descriptor < 0 || !validComponent(name))
        return std::nullopt;
    int file = openat(m_descriptor, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (file < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<SecureBuffer> contents;
    if (fstat(file, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
        static_cast<std::uint64_t>(info.st_size) <= limit) {
        SecureBuffer buffer(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < buffer.size()) {
            ssize_t count = ::read(file, buffer.data() + done, buffer.size() - done);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                break;
            done += static_cast<std::size_t>(count);
        }
        if (done == buffer.size())
            contents = std::move(buffer);
    }
    ::close(file);
    return contents;
}

bool ContainerScratchFolder::removeFile(const std::string& name) {
    return m_descriptor >= 0 && validComponent(name) &&
           unlinkat(m_descriptor, name.c_str(), 0) == 0;
}

void ContainerScratchFolder::removeAll() {
    if (m_descriptor < 0)
        return;
    removeContents(m_descriptor, 64);
    ::close(m_descriptor);
    m_descriptor = -1;
    rmdir(m_path.c_str());
}

bool ContainerScratchFolder::makeFolders(const std::vector<std::string>& components) {
    int folder = openFolder(components);
    if (folder < 0)
        return false;
    ::close(folder);
    return true;
}

std::optional<ContainerScratchFolder::OutputFile>
ContainerScratchFolder::createFile(const std::vector<std::string>& components) {
    if (components.empty() || !validComponent(components.back()))
        return std::nullopt;
    int folder = openFolder(std::span(components).first(components.size() - 1));
    if (folder < 0)
        return std::nullopt;
    int file = openat(folder, components.back().c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    ::close(folder);
    if (file < 0)
        return std::nullopt;
    return OutputFile(file);
}

int ContainerScratchFolder::openFolder(std::span<const std::string> components) {
    if (m_descriptor < 0)
        return -1;
    int folder = dup(m_descriptor);
    for (const std::string& component : components) {
        if (folder < 0)
            return -1;
        if (!validComponent(component)) {
            ::close(folder);
            return -1;
        }
        if (mkdirat(folder, component.c_str(), 0700) != 0 && errno != EEXIST) {
            ::close(folder);
            return -1;
        }
        // O_NOFOLLOW makes a symbolic link planted in place of a folder fail here.
        int child =
            openat(folder, component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(folder);
        folder = child;
    }
    return folder;
}

ContainerScratchFolder::OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_descriptor(other.m_descriptor) {
    other.m_descriptor = -1;
}

ContainerScratchFolder::OutputFile::~OutputFile() {
    close();
}

bool ContainerScratchFolder::OutputFile::write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        if (m_descriptor < 0)
            return false;
        ssize_t count = ::write(m_descriptor, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(count));
    }
    return true;
}

bool ContainerScratchFolder::OutputFile::close() {
    if (m_descriptor < 0)
        return true;
    int result = ::close(m_descriptor);
    m_descriptor = -1;
    return result == 0;
}
