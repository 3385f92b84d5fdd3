#include "platform/AnchoredPath.h"
#include "platform/FolderIdentity.h"
#include "platform/ItemName.h"
#include "platform/OpenFolderWindow.h"
#include "platform/TreeSize.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace platform {

namespace {

// Large enough that a folder of a few thousand items is listed in one system call.
constexpr std::size_t kListingBytes = 64 * 1024;

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// A depth-first walk that lists each folder completely before it goes down: the
// sizes of a folder's items are added while it is listed and only the names of its
// subfolders are kept, so a folder needs no position to resume from. That is what
// lets the walk close the descriptors of shallow folders when it goes deep and open
// them again on the way back.
class Walk {
public:
    explicit Walk(TreeSize::LinkedFiles* linked) : m_linked(linked) {}
    std::uint64_t run(int root);

private:
    // One folder on the way down. The names of its subfolders still to visit are
    // m_names[nextChild, endChild), each ending in a zero byte; `name` is the offset
    // of its own name in the range of its parent.
    struct Frame {
        int folder{-1};
        std::size_t name{0};
        std::size_t firstChild{0};
        std::size_t nextChild{0};
        std::size_t endChild{0};
        FolderIdentity identity; // noted when its descriptor is given up
    };

    void push(int folder, std::size_t name);
    void pop();
    void list(Frame& frame);
    void evict(Frame& frame);
    bool reopen(std::size_t index, int child);
    int openByNames(std::size_t index) const;

    std::vector<Frame> m_frames;
    std::vector<char> m_names;
    std::unique_ptr<char[]> m_listing{new char[kListingBytes]};
    // The root keeps its descriptor: the others are opened again by their names from it.
    OpenFolderWindow m_window{TreeSize::kMaxOpenFolders, 1};
    std::uint64_t m_total{0};
    // Files with several names, counted at the first name met.
    std::unordered_set<std::uint64_t> m_seenLinked;
    TreeSize::LinkedFiles* m_linked;

public:
    // Counts one item that is not a folder.
    void add(const struct stat& status);
    std::uint64_t total() const { return m_total; }
};

std::uint64_t allocation(const struct stat& status) {
    return static_cast<std::uint64_t>(status.st_blocks) * 512u;
}

// Mixes the device into the inode number; a collision between devices only costs a
// file that is then left out of one measurement.
std::uint64_t linkKey(const struct stat& status) {
    return static_cast<std::uint64_t>(status.st_ino) ^
           (static_cast<std::uint64_t>(status.st_dev) * 0x9E3779B97F4A7C15ull);
}

void Walk::add(const struct stat& status) {
    if (status.st_nlink > 1) {
        if (!m_seenLinked.insert(linkKey(status)).second)
            return;
        if (m_linked)
            m_linked->push_back({status.st_dev, status.st_ino, allocation(status)});
    }
    m_total += allocation(status);
}

std::uint64_t Walk::run(int root) {
    push(root, 0);
    while (!m_frames.empty()) {
        Frame& top = m_frames.back();
        if (top.nextChild == top.endChild) {
            pop();
            continue;
        }
        std::size_t name = top.nextChild;
        top.nextChild += std::strlen(&m_names[name]) + 1;
        // O_NOFOLLOW: a subfolder replaced by a link since it was listed is not entered.
        int child =
            openat(top.folder, &m_names[name], O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child >= 0)
            push(child, name);
    }
    return m_total;
}

void Walk::push(int folder, std::size_t name) {
    if (std::optional<std::size_t> released = m_window.pushed(m_frames.size() + 1))
        evict(m_frames[*released]);
    Frame frame;
    frame.folder = folder;
    frame.name = name;
    frame.firstChild = frame.nextChild = frame.endChild = m_names.size();
    m_frames.push_back(frame);
    list(m_frames.back());
}

void Walk::list(Frame& frame) {
    char* listing = m_listing.get();
    while (true) {
        ssize_t length = getdents64(frame.folder, listing, kListingBytes);
        if (length <= 0)
            break;
        for (ssize_t position = 0; position < length;) {
            const auto* record = reinterpret_cast<const dirent64*>(listing + position);
            position += record->d_reclen;
            const char* name = record->d_name;
            if (isDotOrDotDot(name))
                continue;
            bool isFolder = record->d_type == DT_DIR;
            if (!isFolder) {
                struct stat status {};
                if (fstatat(frame.folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
                    continue; // Removed since the folder was listed, or not ours to see.
                // Only file systems that do not report types get here with a folder.
                isFolder = S_ISDIR(status.st_mode);
                if (!isFolder)
                    add(status);
            }
            if (isFolder)
                m_names.insert(m_names.end(), name, name + std::strlen(name) + 1);
        }
    }
    frame.endChild = m_names.size();
}

void Walk::evict(Frame& frame) {
    // A folder with nothing left to visit is never opened again.
    if (frame.nextChild != frame.endChild)
        frame.identity = FolderIdentity::of(frame.folder);
    close(frame.folder);
    frame.folder = -1;
}

void Walk::pop() {
    Frame finished = m_frames.back();
    m_frames.pop_back();
    m_names.resize(finished.firstChild);
    if (m_window.popped(m_frames.size())) {
        Frame& parent = m_frames.back();
        // A parent with nothing left to visit is popped next and needs no descriptor.
        if (parent.nextChild != parent.endChild && !reopen(m_frames.size() - 1, finished.folder))
            parent.nextChild = parent.endChild;
    }
    if (finished.folder >= 0)
        close(finished.folder);
}

// Gives an evicted folder a descriptor again: through ".." of the child just left,
// else by its names from the root. Either way it must still be the folder the walk
// left, or else the rest of it is not measured.
bool Walk::reopen(std::size_t index, int child) {
    Frame& frame = m_frames[index];
    frame.folder = frame.identity.reopen(child, [&] { return openByNames(index); });
    return frame.folder >= 0;
}

int Walk::openByNames(std::size_t index) const {
    int current = m_frames.front().folder;
    for (std::size_t level = 1; level <= index; ++level) {
        int next = openat(current, &m_names[m_frames[level].name],
                          O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (level > 1)
            close(current);
        if (next < 0)
            return -1;
        current = next;
    }
    return current;
}

} // namespace

std::uint64_t TreeSize::allocatedSizeBelow(const std::string& folder) {
    auto item = AnchoredPath::resolve(ItemName::withoutTrailingSlashes(folder));
    if (!item)
        return 0;
    int root = openat(item->folder(), item->name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0)
        return 0;
    return Walk(nullptr).run(root);
}

std::uint64_t TreeSize::allocatedSizeOfItem(const std::string& path, LinkedFiles* linked) {
    auto item = AnchoredPath::resolve(ItemName::withoutTrailingSlashes(path));
    if (!item)
        return 0;
    struct stat status {};
    if (fstatat(item->folder(), item->name(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    Walk walk(linked);
    if (!S_ISDIR(status.st_mode)) {
        walk.add(status);
        return walk.total();
    }
    int root = openat(item->folder(), item->name(),
                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (root < 0)
        return 0;
    return walk.run(root);
}

} // namespace platform
