#include "platform/SharedTreeWalk.h"
#include "platform/TreeWalk.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// Large enough that a folder of a few thousand items is listed in one system call.
constexpr std::size_t kListingBytes = 64 * 1024;

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

std::uint64_t allocation(const struct stat& status) {
    return static_cast<std::uint64_t>(status.st_blocks) * 512u;
}

// Mixes the device into the inode number; a collision between devices only costs a
// file that is then left out of one measurement.
std::uint64_t linkKey(const struct stat& status) {
    return static_cast<std::uint64_t>(status.st_ino) ^
           (static_cast<std::uint64_t>(status.st_dev) * 0x9E3779B97F4A7C15ull);
}

int openSubfolder(int parent, const char* name) {
    // O_NOFOLLOW: a subfolder replaced by a link since it was listed is not entered.
    return openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

} // namespace

void TreeWalk::add(const struct stat& status) {
    if (status.st_nlink <= 1) {
        m_unlinkedBytes += allocation(status);
        return;
    }
    if (!m_seenLinked.insert(linkKey(status)).second)
        return;
    m_linkedFiles.push_back({status.st_dev, status.st_ino, allocation(status)});
    m_linkedBytes += allocation(status);
}

void TreeWalk::clearCounts() {
    m_unlinkedBytes = 0;
    m_linkedBytes = 0;
    m_linkedFiles.clear();
}

void TreeWalk::run(int root) {
    if (!m_listing)
        m_listing.reset(new char[kListingBytes]);
    m_window = OpenFolderWindow{TreeSize::kMaxOpenFolders, 1};
    push(root, 0);
    while (!m_frames.empty()) {
        Frame& top = m_frames.back();
        if (top.nextChild == top.endChild) {
            pop();
            continue;
        }
        std::size_t name = top.nextChild;
        top.nextChild += std::strlen(&m_names[name]) + 1;
        int child = openSubfolder(top.folder, &m_names[name]);
        if (child >= 0)
            push(child, name);
    }
}

void TreeWalk::push(int folder, std::size_t name) {
    if (std::optional<std::size_t> released = m_window.pushed(m_frames.size() + 1))
        evict(m_frames[*released]);
    Frame frame;
    frame.folder = folder;
    frame.name = name;
    frame.firstChild = frame.nextChild = frame.endChild = m_names.size();
    m_frames.push_back(frame);
    list(m_frames.back());
    if (m_shared)
        entered();
}

// Only a shared walk gets here: one atomic read per folder while nobody waits.
void TreeWalk::entered() {
    if (++m_foldersEntered == SharedTreeWalk::kFoldersBeforeHelp)
        m_shared->askForHelp();
    if (m_shared->wantsFolders())
        handOverSubfolders();
}

// The shallowest subfolders not yet entered are the largest pieces of work there are,
// so they go first; a folder whose descriptor was given up keeps its subfolders.
void TreeWalk::handOverSubfolders() {
    for (Frame& frame : m_frames) {
        while (frame.folder >= 0 && frame.nextChild != frame.endChild) {
            if (!m_shared->claimWaiter())
                return;
            const char* name = &m_names[frame.nextChild];
            frame.nextChild += std::strlen(name) + 1;
            m_shared->handOver(openSubfolder(frame.folder, name));
        }
    }
}

void TreeWalk::list(Frame& frame) {
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

void TreeWalk::evict(Frame& frame) {
    // A folder with nothing left to visit is never opened again.
    if (frame.nextChild != frame.endChild)
        frame.identity = FolderIdentity::of(frame.folder);
    close(frame.folder);
    frame.folder = -1;
}

void TreeWalk::pop() {
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
bool TreeWalk::reopen(std::size_t index, int child) {
    Frame& frame = m_frames[index];
    frame.folder = frame.identity.reopen(child, [&] { return openByNames(index); });
    return frame.folder >= 0;
}

int TreeWalk::openByNames(std::size_t index) const {
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

} // namespace platform
