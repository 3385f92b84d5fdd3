#include "removal/TrashMover.h"

#include "platform/Environment.h"
#include "platform/FileMoves.h"
#include "platform/FileSystem.h"
#include "platform/ItemStatus.h"
#include "platform/MountedVolumes.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/TreeSize.h"
#include "removal/UninstallFaultPoint.h"
#include "shell/PathsGenerator.h"

#include <cerrno>
#include <set>

using platform::Path;

namespace {

constexpr int kMaxNames = 10000;

using platform::FileMoves;
using platform::ItemStatus;

bool isInsideOrSame(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return path.starts_with('/');
    return path == folder ||
           (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

bool exists(const std::string& path) {
    return platform::FileSystem::itemExistsNoFollow(path);
}

// Makes a folder of the Trash when missing; whether it is then the user's own real folder.
bool ensurePrivateFolder(const std::string& path, std::uint32_t uid, std::string* why) {
    if (int error = FileMoves::ensurePrivateFolder(path, uid)) {
        *why = error == ENOTDIR ? path + " is not a folder of this user's"
                                : "cannot make " + path + ": " + FileMoves::errorText(error);
        return false;
    }
    return true;
}

std::string whyNotMoved(int error, const std::string& trash) {
    switch (error) {
    case EXDEV:
        return "on another volume than its Trash " + trash;
    case EROFS:
        return "its volume is read-only";
    case EACCES:
    case EPERM:
        return "not permitted to move it (" + FileMoves::errorText(error) + ")";
    default:
        return "cannot move it into " + trash + ": " + FileMoves::errorText(error);
    }
}

bool sameKind(const ItemStatus& a, const ItemStatus& b) {
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
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = platform::Text::hexDigitValue(text[i + 1]);
        const int low = platform::Text::hexDigitValue(text[i + 2]);
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
                                                        std::string* why,
                                                        PreparedTrashes* prepared) const {
    std::optional<Target> target = findTarget(path, create, why, prepared);
    if (target && create && prepared)
        prepared->insert(target->trash);
    return target;
}

std::optional<TrashMover::Target> TrashMover::findTarget(const std::string& path, bool create,
                                                         std::string* why,
                                                         const PreparedTrashes* prepared) const {
    std::string reason;
    std::string& text = why ? *why : reason;
    const std::optional<std::uint64_t> device =
        FileMoves::deviceOf(Path::deletingLastComponent(path));
    if (!device) {
        text = "its folder cannot be examined";
        return std::nullopt;
    }
    if (FileMoves::deviceOf(m_layout.homeTrash, true) == device) {
        if (create && !(prepared && prepared->count(m_layout.homeTrash)) &&
            !(platform::FileSystem::createDirectory(m_layout.homeTrash, true) &&
              ensurePrivateFolder(m_layout.homeTrash + "/files", m_layout.uid, &text) &&
              ensurePrivateFolder(m_layout.homeTrash + "/info", m_layout.uid, &text)))
            return std::nullopt;
        return Target{m_layout.homeTrash, {}};
    }

    // The volume's top folder: the deepest one holding the item and on its device.
    std::string top;
    for (const std::string& candidate : m_layout.volumeTops) {
        if (candidate.size() > top.size() && isInsideOrSame(path, candidate) && path != candidate &&
            FileMoves::deviceOf(candidate) == device)
            top = candidate;
    }
    if (top.empty()) {
        text = "its volume has no Trash this user can use";
        return std::nullopt;
    }
    const std::string user = std::to_string(m_layout.uid);
    if (create && prepared) {
        for (const std::string& trash : {Path::appending(Path::appending(top, ".Trash"), user),
                                         Path::appending(top, ".Trash-" + user)})
            if (prepared->count(trash))
                return Target{trash, top};
    }
    // The administrator's shared Trash counts only as a real folder with the sticky bit.
    const std::string shared = Path::appending(top, ".Trash");
    const auto status = ItemStatus::of(shared, ItemStatus::Links::NoFollow);
    if (status && status->directory && status->restrictedDeletion) {
        const std::string own = shared + "/" + user;
        std::string ignored;
        if (FileMoves::isOwnFolder(own, m_layout.uid) ||
            (create && ensurePrivateFolder(own, m_layout.uid, &ignored))) {
            if (!create || (ensurePrivateFolder(own + "/files", m_layout.uid, &text) &&
                            ensurePrivateFolder(own + "/info", m_layout.uid, &text)))
                return Target{own, top};
            return std::nullopt;
        }
    }
    const std::string own = Path::appending(top, ".Trash-" + user);
    if (exists(own) && !FileMoves::isOwnFolder(own, m_layout.uid)) {
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
                                     const std::optional<ItemStatus>& expected,
                                     const BeforeRename& beforeRename,
                                     PreparedTrashes* prepared) const {
    Outcome outcome;
    outcome.trashed.original = path;
    const auto now = ItemStatus::of(path, ItemStatus::Links::NoFollow);
    if (!now) {
        const bool gone = !exists(path);
        outcome.kind = gone ? Outcome::Kind::Gone : Outcome::Kind::Stayed;
        outcome.why = gone ? "no longer there" : "cannot be examined";
        return outcome;
    }
    if (expected && (!now->isSameItem(*expected) || !sameKind(*now, *expected))) {
        outcome.why = "changed since it was shown";
        return outcome;
    }
    std::optional<Target> target = targetFor(path, true, &outcome.why, prepared);
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

    // The information first, under a name free in both "info" and "files"; an item
    // without information that holds a name is left alone.
    int error = EEXIST;
    for (int number = 1; number <= kMaxNames && error == EEXIST; ++number) {
        outcome.trashed.name = number == 1 ? base : base + "_" + std::to_string(number);
        error = FileMoves::createExclusive(outcome.trashed.infoPath(), info);
        if (error == 0 && exists(outcome.trashed.filesPath())) {
            FileMoves::removeEntry(outcome.trashed.infoPath());
            error = EEXIST;
        }
    }
    if (error) {
        // A Trash that vanished since it was made sure of is made again for the next item.
        if (prepared)
            prepared->erase(target->trash);
        outcome.why = error == EEXIST ? "no free name in " + target->trash
                                      : "cannot write its information into " + target->trash +
                                            "/info: " + FileMoves::errorText(error);
        return outcome;
    }
    if (beforeRename && !beforeRename(outcome.trashed)) {
        FileMoves::removeEntry(outcome.trashed.infoPath());
        outcome.why = "cannot keep the uninstall's journal";
        return outcome;
    }
    UninstallFaultPoint::reach("info-written");

    outcome.trashed.size = platform::TreeSize::allocatedSizeOfItem(path) +
                           (now->directory ? FileMoves::foldersAllocatedBelow(path) : 0);
    if (int failed = FileMoves::renameWithoutReplacing(path, outcome.trashed.filesPath())) {
        FileMoves::removeEntry(outcome.trashed.infoPath());
        outcome.kind = failed == ENOENT ? Outcome::Kind::Gone : Outcome::Kind::Stayed;
        outcome.why = failed == ENOENT ? "no longer there" : whyNotMoved(failed, target->trash);
        return outcome;
    }
    UninstallFaultPoint::reach("renamed");
    outcome.kind = Outcome::Kind::Moved;
    return outcome;
}

TrashMover::Outcome TrashMover::putBack(const Trashed& item) {
    Outcome outcome;
    outcome.trashed = item;
    if (!exists(item.filesPath())) {
        outcome.kind = Outcome::Kind::Gone;
        outcome.why = "no longer in the Trash";
        return outcome;
    }
    if (exists(item.original)) {
        outcome.why = "its place is taken";
        return outcome;
    }
    const std::string parent = Path::deletingLastComponent(item.original);
    if (!platform::FileSystem::createDirectory(parent, true)) {
        outcome.why = "cannot make " + parent;
        return outcome;
    }
    if (int error = FileMoves::renameWithoutReplacing(item.filesPath(), item.original)) {
        outcome.why = error == EEXIST ? "its place is taken" : whyNotMoved(error, parent);
        return outcome;
    }
    FileMoves::removeEntry(item.infoPath());
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
        const std::optional<std::int64_t> time = FileMoves::modificationTime(item.infoPath());
        if (!time)
            continue;
        addedNames.insert(encodePath(item.name));
        text += std::to_string(item.size) + " " + std::to_string(*time) + " " +
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
        if (!decoded || decoded->empty() || decoded->find('/') != std::string::npos ||
            addedNames.count(name) || !exists(trash + "/files/" + *decoded))
            continue;
        kept.append(line).append("\n");
    }
    kept += text;
    if (old && kept == *old)
        return true;
    return platform::FileSystem::writeFileAtomically(path, kept);
}
