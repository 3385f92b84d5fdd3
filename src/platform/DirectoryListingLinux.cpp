#include "platform/AnchoredPath.h"
#include "platform/DirectoryListing.h"
#include "platform/ItemName.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

// The kernel fills the buffer with as many records as fit; one record is at most
// about 280 bytes, so a read is only attempted with at least this much room.
constexpr std::size_t kMinimumRoom = 4096;
constexpr std::size_t kInitialBuffer = 32 * 1024;

FileResourceType typeOfRecord(unsigned char type) {
    switch (type) {
    case DT_FIFO:
        return FileResourceType::NamedPipe;
    case DT_CHR:
        return FileResourceType::CharacterSpecial;
    case DT_DIR:
        return FileResourceType::Directory;
    case DT_BLK:
        return FileResourceType::BlockSpecial;
    case DT_REG:
        return FileResourceType::Regular;
    case DT_LNK:
        return FileResourceType::SymbolicLink;
    case DT_SOCK:
        return FileResourceType::Socket;
    default:
        return FileResourceType::Unknown;
    }
}

void closeDescriptor(int& descriptor) {
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

} // namespace

DirectoryListing::~DirectoryListing() {
    closeDescriptor(m_folder);
}

DirectoryListing::DirectoryListing(DirectoryListing&& other) noexcept
    : m_folder(std::exchange(other.m_folder, -1)), m_identity(other.m_identity),
      m_values(std::move(other.m_values)), m_buffer(std::move(other.m_buffer)),
      m_entries(std::move(other.m_entries)) {}

DirectoryListing& DirectoryListing::operator=(DirectoryListing&& other) noexcept {
    if (this != &other) {
        closeDescriptor(m_folder);
        m_folder = std::exchange(other.m_folder, -1);
        m_identity = other.m_identity;
        m_values = std::move(other.m_values);
        m_buffer = std::move(other.m_buffer);
        m_entries = std::move(other.m_entries);
    }
    return *this;
}

bool DirectoryListing::open(const std::string& path, FinalLink finalLink) {
    close();
    bool refuse = finalLink == FinalLink::Refuse;
    auto item = AnchoredPath::resolve(refuse ? ItemName::withoutTrailingSlashes(path) : path);
    if (!item)
        return false;
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (refuse ? O_NOFOLLOW : 0);
    return adopt(openat(item->folder(), item->name(), flags), ItemName::lastComponent(path));
}

bool DirectoryListing::open(const DirectoryListing& parent, const Entry& entry) {
    close();
    if (parent.m_folder < 0)
        return false;
    int descriptor =
        openat(parent.m_folder, entry.name.data(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return adopt(descriptor, entry.name);
}

bool DirectoryListing::adopt(int descriptor, std::string_view name) {
    if (descriptor < 0)
        return false;
    struct stat status {};
    if (fstat(descriptor, &status) != 0) {
        ::close(descriptor);
        return false;
    }
    m_folder = descriptor;
    m_identity = FolderIdentity::of(status);
    m_values = ResourceValues::fromStatus(status, name);
    return true;
}

void DirectoryListing::close() {
    closeDescriptor(m_folder);
    m_entries.clear();
    m_values = ResourceValues();
}

bool DirectoryListing::read() {
    m_entries.clear();
    if (m_folder < 0)
        return false;
    if (m_buffer.size() < kInitialBuffer)
        m_buffer.resize(kInitialBuffer);
    std::size_t used = 0;
    for (;;) {
        if (m_buffer.size() - used < kMinimumRoom)
            m_buffer.resize(m_buffer.size() * 2);
        ssize_t count = getdents64(m_folder, m_buffer.data() + used, m_buffer.size() - used);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (count == 0)
            break;
        used += static_cast<std::size_t>(count);
    }
    // Records are read only once the buffer has stopped growing, so that the names
    // can point into it.
    for (std::size_t offset = 0; offset < used;) {
        const auto* record = reinterpret_cast<const dirent64*>(m_buffer.data() + offset);
        offset += record->d_reclen;
        std::string_view name(record->d_name);
        if (name == "." || name == "..")
            continue;
        m_entries.push_back({name, typeOfRecord(record->d_type)});
    }
    return true;
}

bool DirectoryListing::canExamineEntries() const {
    return m_folder >= 0 && faccessat(m_folder, ".", X_OK, AT_EACCESS) == 0;
}

std::optional<ResourceValues> DirectoryListing::valuesOfEntry(const Entry& entry) const {
    struct stat status {};
    if (fstatat(m_folder, entry.name.data(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return ResourceValues::fromStatus(status, entry.name);
}

std::optional<bool> DirectoryListing::entryLeadsToFolder(const Entry& entry) const {
    struct stat status {};
    if (fstatat(m_folder, entry.name.data(), &status, 0) != 0)
        return std::nullopt;
    return S_ISDIR(status.st_mode);
}

void DirectoryListing::releaseFolder() {
    closeDescriptor(m_folder);
}

bool DirectoryListing::reacquireFolder(const DirectoryListing& child, const std::string& path) {
    if (m_folder >= 0)
        return true;
    m_folder = m_identity.reopen(child.m_folder, [&] {
        auto item = AnchoredPath::resolve(path.empty() ? std::string("/") : path);
        return item ? openat(item->folder(), item->name(), O_PATH | O_DIRECTORY | O_CLOEXEC) : -1;
    });
    return m_folder >= 0;
}

} // namespace platform
