#include "removal/TrashMover.h"

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/MountedVolumes.h"
#include "platform/Path.h"
#include "platform/TreeSize.h"
#include "removal/UninstallFaultPoint.h"
#include "shell/PathsGenerator.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using platform::Path;

namespace {

constexpr int kMaxNames = 10000;

std::string errorText(int error) {
    return std::strerror(error);
}

bool isInsideOrSame(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return path.starts_with('/');
    return path == folder ||
           (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

// The device of the nearest existing folder at or above `path`.
std::optional<dev_t> deviceOfNearest(std::string path) {
    for (;;) {
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0)
            return status.st_dev;
        if (path == "/" || path.empty())
            return std::nullopt;
        path = Path::deletingLastComponent(path);
    }
}

// A folder of the Trash that the user owns and that is what it seems: not a link.
bool isOwnFolder(const std::string& path, std::uint32_t uid) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == uid;
}

// Makes `path` (one level) with mode 0700 when missing; whether it is then the user's own
// real folder. `why` gets the reason otherwise.
bool ensurePrivateFolder(const std::string& path, std::uint32_t uid, std::string* why) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        *why = "cannot make " + path + ": " + errorText(errno);
        return false;
    }
    if (!isOwnFolder(path, uid)) {
        *why = path + " is not a folder of this user's";
        return false;
    }
    return true;
}

// rename(2) that never replaces what is at `to`. File systems without the flag get a
// check first, which leaves only a tiny window.
int renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat status {};
    if (::lstat(to.c_str(), &status) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::string whyNotMoved(int error, const std::string& trash) {
    switch (error) {
    case EXDEV:
        return "on another volume than its Trash " + trash;
    case EROFS:
        return "its volume is read-only";
    case EACCES:
    case EPERM:
        return "not permitted to move it (" + errorText(error) + ")";
    default:
        return "cannot move it into " + trash + ": " + errorText(error);
    }
}

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

thread_local std::uint64_t tFolderBytes = 0;

// What a folder's own entries take, below and including `path`: with the allocation of
// what is in them, the space `du -B1` reports, as the Trash's size cache wants it.
std::uint64_t foldersAllocatedBelow(const std::string& path) {
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

bool sameKind(const platform::ItemStatus& a, const platform::ItemStatus& b) {
    return a.directory == b.directory && a.regularFile == b.regularFile &&
           a.symbolicLink == b.symbolicLink;
}

} // namespace

TrashMover::Layout TrashMover::Layout::current() {
    Layout layout;
    layout.homeTrash =
        Path::deletingLastComponent(PathsGenerator::GetInstance().buildTrashDirectory());
    layout.volumeTops = platform::MountedVolumes::topFolders();
    layout.uid = platform::Environment::userId();
    return layout;
}

std::string TrashMover::Trashed::filesPath() const {
    return trash + "/files/" + name;
}

std::string TrashMover::Trashed::infoPath() const {
    return trash + "/info/" + name + ".trashinfo";
}

std::string TrashMover::encodePath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size());
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) && byte < 0x80)
            encoded += c;
        else if (c == '/' || c == '-' || c == '.' || c == '_' || c == '~')
            encoded += c;
        else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return encoded;
}

std::optional<std::string> TrashMover::decodePath(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        auto digit = [](char c) -> int {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (c >= 'a' && c <= 'f')
                return c - 'a' + 10;
            if (c >= 'A' && c <= 'F')
                return c - 'A' + 10;
            return -1;
        };
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = digit(text[i + 1]);
        const int low = digit(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

std::string TrashMover::deletionDate(std::time_t when) {
    std::tm parts{};
    localtime_r(&when, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    return text;
}

std::optional<TrashMover::Target> TrashMover::targetFor(const std::string& path, bool create,
                                                        std::string* why) const {
    std::string reason;
    std::string& text = why ? *why : reason;
    struct stat parent {};
    if (::stat(Path::deletingLastComponent(path).c_str(), &parent) != 0) {
        text = "its folder cannot be examined: " + errorText(errno);
        return std::nullopt;
    }
    if (deviceOfNearest(m_layout.homeTrash) == parent.st_dev) {
        if (create && !(platform::FileSystem::createDirectory(m_layout.homeTrash, true) &&
                        ensurePrivateFolder(m_layout.homeTrash + "/files", m_layout.uid, &text) &&
                        ensurePrivateFolder(m_layout.homeTrash + "/info", m_layout.uid, &text)))
            return std::nullopt;
        return Target{m_layout.homeTrash, {}};
    }

    // The volume's top folder: the deepest one holding the item and on its device.
    std::string top;
    for (const std::string& candidate : m_layout.volumeTops) {
        struct stat status {};
        if (candidate.size() > top.size() && isInsideOrSame(path, candidate) && path != candidate &&
            ::stat(candidate.c_str(), &status) == 0 && status.st_dev == parent.st_dev)
            top = candidate;
    }
    if (top.empty()) {
        text = "its volume has no Trash this user can use";
        return std::nullopt;
    }
    const std::string user = std::to_string(m_layout.uid);
    const std::string shared = Path::appending(top, ".Trash");
    struct stat status {};
    if (::lstat(shared.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
        (status.st_mode & S_ISVTX)) {
        const std::string own = shared + "/" + user;
        std::string ignored;
        if (isOwnFolder(own, m_layout.uid) ||
            (create && ensurePrivateFolder(own, m_layout.uid, &ignored))) {
            if (!create || (ensurePrivateFolder(own + "/files", m_layout.uid, &text) &&
                            ensurePrivateFolder(own + "/info", m_layout.uid, &text)))
                return Target{own, top};
            return std::nullopt;
        }
    }
    const std::string own = Path::appending(top, ".Trash-" + user);
    if (::lstat(own.c_str(), &status) == 0 && !isOwnFolder(own, m_layout.uid)) {
        text = "its volume's Trash " + own + " is not a folder of this user's";
        return std::nullopt;
    }
    if (create && !(ensurePrivateFolder(own, m_layout.uid, &text) &&
                    ensurePrivateFolder(own + "/files", m_layout.uid, &text) &&
                    ensurePrivateFolder(own + "/info", m_layout.uid, &text))) {
        text = "no usable Trash on its volume (" + text + ")";
        return std::nullopt;
    }
    return Target{own, top};
}

TrashMover::Outcome TrashMover::move(const std::string& path,
                                     const std::optional<platform::ItemStatus>& expected,
                                     const BeforeRename& beforeRename) const {
    Outcome outcome;
    outcome.trashed.original = path;
    struct stat examined {};
    if (::lstat(path.c_str(), &examined) != 0) {
        const int error = errno;
        outcome.kind =
            error == ENOENT || error == ENOTDIR ? Outcome::Kind::Gone : Outcome::Kind::Stayed;
        outcome.why = outcome.kind == Outcome::Kind::Gone
                          ? "no longer there"
                          : "cannot be examined: " + errorText(error);
        return outcome;
    }
    const auto now = platform::ItemStatus::of(path, platform::ItemStatus::Links::NoFollow);
    if (!now) {
        outcome.kind = Outcome::Kind::Gone;
        outcome.why = "no longer there";
        return outcome;
    }
    if (expected && (!now->isSameItem(*expected) || !sameKind(*now, *expected))) {
        outcome.why = "changed since it was shown";
        return outcome;
    }
    std::optional<Target> target = targetFor(path, true, &outcome.why);
    if (!target)
        return outcome;
    outcome.trashed.trash = target->trash;
    outcome.trashed.folder = now->directory;

    std::string original = path;
    if (!target->top.empty())
        original = target->top == "/" ? path.substr(1) : path.substr(target->top.size() + 1);
    const std::string info = "[Trash Info]\nPath=" + encodePath(original) +
                             "\nDeletionDate=" + deletionDate(std::time(nullptr)) + "\n";
    const std::string base = Path::lastComponent(path);

    int descriptor = -1;
    for (int number = 1; number <= kMaxNames && descriptor < 0; ++number) {
        outcome.trashed.name = number == 1 ? base : base + "_" + std::to_string(number);
        descriptor = ::open(outcome.trashed.infoPath().c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor < 0 && errno != EEXIST) {
            outcome.why =
                "cannot write its information into " + target->trash + "/info: " + errorText(errno);
            return outcome;
        }
        struct stat taken {};
        if (descriptor >= 0 && ::lstat(outcome.trashed.filesPath().c_str(), &taken) == 0) {
            // An item without information holds the name: leave both alone.
            ::close(descriptor);
            ::unlink(outcome.trashed.infoPath().c_str());
            descriptor = -1;
        }
    }
    if (descriptor < 0) {
        outcome.why = "no free name in " + target->trash;
        return outcome;
    }
    const bool written = writeAll(descriptor, info);
    if (::close(descriptor) != 0 || !written) {
        ::unlink(outcome.trashed.infoPath().c_str());
        outcome.why = "cannot write its information into " + target->trash + "/info";
        return outcome;
    }
    if (beforeRename && !beforeRename(outcome.trashed)) {
        ::unlink(outcome.trashed.infoPath().c_str());
        outcome.why = "cannot keep the uninstall's journal";
        return outcome;
    }
    UninstallFaultPoint::reach("info-written");

    outcome.trashed.size = platform::TreeSize::allocatedSizeOfItem(path) +
                           (now->directory ? foldersAllocatedBelow(path) : 0);
    if (int error = renameWithoutReplacing(path, outcome.trashed.filesPath())) {
        ::unlink(outcome.trashed.infoPath().c_str());
        outcome.kind = error == ENOENT ? Outcome::Kind::Gone : Outcome::Kind::Stayed;
        outcome.why = error == ENOENT ? "no longer there" : whyNotMoved(error, target->trash);
        return outcome;
    }
    UninstallFaultPoint::reach("renamed");
    outcome.kind = Outcome::Kind::Moved;
    return outcome;
}

TrashMover::Outcome TrashMover::putBack(const Trashed& item) {
    Outcome outcome;
    outcome.trashed = item;
    struct stat status {};
    if (::lstat(item.filesPath().c_str(), &status) != 0) {
        outcome.kind = Outcome::Kind::Gone;
        outcome.why = "no longer in the Trash";
        return outcome;
    }
    if (::lstat(item.original.c_str(), &status) == 0) {
        outcome.why = "its place is taken";
        return outcome;
    }
    const std::string parent = Path::deletingLastComponent(item.original);
    if (!platform::FileSystem::createDirectory(parent, true)) {
        outcome.why = "cannot make " + parent;
        return outcome;
    }
    if (int error = renameWithoutReplacing(item.filesPath(), item.original)) {
        outcome.why = error == EEXIST ? "its place is taken" : whyNotMoved(error, parent);
        return outcome;
    }
    ::unlink(item.infoPath().c_str());
    outcome.kind = Outcome::Kind::Moved;
    return outcome;
}

bool TrashMover::updateDirectorySizes(const std::string& trash, const std::vector<Trashed>& added) {
    const std::string path = trash + "/directorysizes";
    std::set<std::string> addedNames;
    std::string text;
    for (const Trashed& item : added) {
        if (!item.folder)
            continue;
        struct stat info {};
        if (::stat(item.infoPath().c_str(), &info) != 0)
            continue;
        addedNames.insert(encodePath(item.name));
        text += std::to_string(item.size) + " " + std::to_string(info.st_mtime) + " " +
                encodePath(item.name) + "\n";
    }
    const std::optional<std::string> old = platform::FileSystem::readFile(path, 64 << 20);
    if (!old && addedNames.empty())
        return true;
    std::string kept;
    std::size_t start = 0;
    const std::string_view all = old ? *old : std::string_view();
    while (start < all.size()) {
        std::size_t end = all.find('\n', start);
        if (end == std::string_view::npos)
            end = all.size();
        const std::string_view line = all.substr(start, end - start);
        start = end + 1;
        const std::size_t space = line.find(' ');
        const std::size_t second =
            space == std::string_view::npos ? space : line.find(' ', space + 1);
        if (second == std::string_view::npos)
            continue;
        const std::string name(line.substr(second + 1));
        std::optional<std::string> decoded = decodePath(name);
        struct stat status {};
        if (!decoded || decoded->empty() || decoded->find('/') != std::string::npos ||
            addedNames.count(name) || ::lstat((trash + "/files/" + *decoded).c_str(), &status) != 0)
            continue;
        kept.append(line).append("\n");
    }
    kept += text;
    if (old && kept == *old)
        return true;
    return platform::FileSystem::writeFileAtomically(path, kept);
}
