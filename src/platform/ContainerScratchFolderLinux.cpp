#include "platform/ContainerScratchFolder.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* kPrivateFolderPrefix = "sweepwise-kb.";
constexpr const char* kScratchTemplate = "kb-XXXXXX";
constexpr const char* kPartialSuffix = ".partial";

bool validComponent(const std::string& component) {
    return !component.empty() && component != "." && component != ".." &&
           component.find('/') == std::string::npos;
}

// A folder we may trust: a real folder (not a link to one), ours, and open to nobody
// else. Answers why not, or nothing.
std::string whyNotPrivate(const struct stat& info) {
    if (!S_ISDIR(info.st_mode))
        return "it is not a folder";
    if (info.st_uid != geteuid())
        return "it belongs to user " + std::to_string(info.st_uid);
    if ((info.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return std::string("other users may use it (mode ") + mode + ")";
    }
    return {};
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

std::string ContainerScratchFolder::privateFolderPath(const std::string& temporaryFolder) {
    std::string folder = temporaryFolder;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder + kPrivateFolderPrefix + std::to_string(geteuid());
}

std::string ContainerScratchFolder::privateFolderPath() {
    return privateFolderPath(FileSystem::temporaryDirectory());
}

ContainerScratchFolder::Creation ContainerScratchFolder::create() {
    std::string refusals;
    std::vector<std::string> passedOver;
    for (const std::string& temporary : FileSystem::temporaryDirectoryCandidates()) {
        Creation made = createIn(privateFolderPath(temporary));
        if (made.folder) {
            made.passedOver = std::move(passedOver);
            return made;
        }
        passedOver.push_back(made.refusal);
        refusals += (refusals.empty() ? "" : "; ") + made.refusal;
    }
    return {nullptr, refusals, std::move(passedOver)};
}

ContainerScratchFolder::Creation
ContainerScratchFolder::createIn(const std::string& privateFolder) {
    std::string refusal;
    int parent = openPrivateFolder(privateFolder, refusal);
    if (parent < 0)
        return {nullptr, "cannot unpack in " + privateFolder + ": " + refusal, {}};
    // mkdtemp makes the name and the folder (mode 0700) in one step, so no one can take
    // the name in between; the private folder keeps everyone else from touching it after.
    std::string path = privateFolder + "/" + kScratchTemplate;
    Creation made;
    if (!mkdtemp(path.data())) {
        made.refusal = "cannot make a folder in " + privateFolder + ": " + std::strerror(errno);
    } else {
        std::string name = path.substr(privateFolder.size() + 1);
        int descriptor =
            openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat info {};
        std::string why = descriptor < 0 || fstat(descriptor, &info) != 0
                              ? std::string("it vanished")
                              : whyNotPrivate(info);
        if (why.empty()) {
            made.folder.reset(new ContainerScratchFolder(path, descriptor));
        } else {
            if (descriptor >= 0)
                ::close(descriptor);
            unlinkat(parent, name.c_str(), AT_REMOVEDIR);
            made.refusal = "cannot use " + path + ": " + why;
        }
    }
    ::close(parent);
    return made;
}

int ContainerScratchFolder::openPrivateFolder(const std::string& privateFolder,
                                              std::string& refusal) {
    if (mkdir(privateFolder.c_str(), 0700) != 0 && errno != EEXIST) {
        refusal = std::strerror(errno);
        return -1;
    }
    int descriptor = open(privateFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) {
        // With O_DIRECTORY the kernel reports a link to a folder as no folder at all.
        const int error = errno;
        struct stat link {};
        const bool isLink =
            error == ELOOP ||
            (error == ENOTDIR && lstat(privateFolder.c_str(), &link) == 0 && S_ISLNK(link.st_mode));
        refusal = isLink             ? "it is a symbolic link"
                  : error == ENOTDIR ? "it is not a folder"
                                     : std::strerror(error);
        return -1;
    }
    struct stat info {};
    refusal = fstat(descriptor, &info) != 0 ? std::strerror(errno) : whyNotPrivate(info);
    if (!refusal.empty()) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
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

bool ContainerScratchFolder::readFile(
    const std::string& name, std::size_t limit,
    const std::function<std::span<std::uint8_t>(std::size_t)>& destination) const {
    if (m_descriptor < 0 || !validComponent(name))
        return false;
    int file = openat(m_descriptor, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (file < 0)
        return false;
    struct stat info {};
    bool read = false;
    if (fstat(file, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
        static_cast<std::uint64_t>(info.st_size) <= limit) {
        std::span<std::uint8_t> buffer = destination(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < buffer.size()) {
            ssize_t count = ::read(file, buffer.data() + done, buffer.size() - done);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                break;
            done += static_cast<std::size_t>(count);
        }
        read = done == buffer.size() && buffer.size() == static_cast<std::size_t>(info.st_size);
    }
    ::close(file);
    return read;
}

std::optional<ContainerScratchFolder::Mapping>
ContainerScratchFolder::mapFile(const std::string& name, std::size_t limit,
                                std::size_t extraBytes) {
#ifdef MADV_POPULATE_WRITE
    if (m_descriptor < 0 || !validComponent(name))
        return std::nullopt;
    int file = openat(m_descriptor, name.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (file < 0)
        return std::nullopt;
    std::optional<Mapping> mapping;
    struct stat info {};
    if (fstat(file, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
        static_cast<std::uint64_t>(info.st_size) <= limit) {
        const auto size = static_cast<std::size_t>(info.st_size);
        const std::size_t length = size + extraBytes;
        // The extra bytes lie in the file too: a page past its end could not be touched.
        if (extraBytes == 0 || ftruncate(file, static_cast<off_t>(length)) == 0) {
            void* data = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
            // Every page is brought in, writable, by one call instead of a fault at each
            // first write, and a page the file system cannot provide (a full disk) fails
            // here rather than stop the program when it is written.
            if (data != MAP_FAILED && madvise(data, length, MADV_POPULATE_WRITE) == 0) {
                mapping = Mapping{static_cast<std::uint8_t*>(data), size, length};
                unlinkat(m_descriptor, name.c_str(), 0);
            } else {
                if (data != MAP_FAILED)
                    munmap(data, length);
                if (extraBytes > 0 && ftruncate(file, info.st_size) != 0)
                    unlinkat(m_descriptor, name.c_str(), 0);
            }
        }
    }
    ::close(file);
    return mapping;
#else
    (void)name;
    (void)limit;
    (void)extraBytes;
    return std::nullopt;
#endif
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

} // namespace platform
