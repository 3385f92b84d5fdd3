#include "platform/AnchoredPath.h"
#include "platform/DirectoryEnumerator.h"
#include "platform/FolderIdentity.h"
#include "platform/ItemName.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

// One folder of the walk. While it streams, `stream` is open and `folder` is its
// descriptor. A folder pushed out by deeper ones keeps its remaining names in
// `pending` and gets a new descriptor when the walk comes back to it.
struct DirectoryEnumerator::Frame {
    DIR* stream{nullptr};
    int folder{-1};
    std::vector<std::string> pending;
    std::size_t nextPending{0};
    std::size_t pathLength{0};
    FolderIdentity identity;
};

std::unique_ptr<DirectoryEnumerator> DirectoryEnumerator::create(const std::string& folder) {
    std::string root = ItemName::withoutTrailingSlashes(folder);
    auto item = AnchoredPath::resolve(root);
    if (!item)
        return nullptr;
    int descriptor = openat(item->folder(), item->name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat status {};
    DIR* stream = fstat(descriptor, &status) == 0 ? fdopendir(descriptor) : nullptr;
    if (!stream) {
        close(descriptor);
        return nullptr;
    }
    std::unique_ptr<DirectoryEnumerator> enumerator(new DirectoryEnumerator());
    // Entries of "/" are "/name", not "//name".
    enumerator->m_path = root == "/" ? std::string() : root;
    Frame frame;
    frame.stream = stream;
    frame.folder = descriptor;
    frame.pathLength = enumerator->m_path.size();
    frame.identity = FolderIdentity::of(status);
    enumerator->push(std::move(frame));
    return enumerator;
}

DirectoryEnumerator::~DirectoryEnumerator() {
    for (Frame& frame : m_frames) {
        if (frame.stream)
            closedir(frame.stream);
        else if (frame.folder >= 0)
            close(frame.folder);
    }
}

bool DirectoryEnumerator::next(Entry& out) {
    if (m_descendPending) {
        m_descendPending = false;
        descend();
    }
    std::string name;
    while (!m_frames.empty()) {
        Frame& top = m_frames.back();
        if (!nextName(top, name)) {
            pop();
            continue;
        }
        struct stat status {};
        if (fstatat(top.folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
            out.values = ResourceValues::fromStatus(status, name);
            m_descendPending = S_ISDIR(status.st_mode);
        } else if (errno == ENOENT) {
            continue; // Removed since the folder was read.
        } else {
            out.values = ResourceValues();
        }
        out.path.assign(m_path);
        out.path += '/';
        out.path += name;
        out.level = static_cast<int>(m_frames.size());
        m_lastName = std::move(name);
        return true;
    }
    return false;
}

void DirectoryEnumerator::skipDescendants() {
    m_descendPending = false;
}

void DirectoryEnumerator::descend() {
    const Frame& top = m_frames.back();
    int descriptor =
        openat(top.folder, m_lastName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return;
    struct stat status {};
    DIR* stream = fstat(descriptor, &status) == 0 ? fdopendir(descriptor) : nullptr;
    if (!stream) {
        close(descriptor);
        return;
    }
    m_path += '/';
    m_path += m_lastName;
    Frame frame;
    frame.stream = stream;
    frame.folder = descriptor;
    frame.pathLength = m_path.size();
    frame.identity = FolderIdentity::of(status);
    push(std::move(frame));
}

void DirectoryEnumerator::push(Frame frame) {
    m_frames.push_back(std::move(frame));
    if (std::optional<std::size_t> released = m_window.pushed(m_frames.size()))
        evict(m_frames[*released]);
}

void DirectoryEnumerator::evict(Frame& frame) {
    if (frame.stream) {
        std::string name;
        while (nextName(frame, name))
            frame.pending.push_back(std::move(name));
        closedir(frame.stream);
        frame.stream = nullptr;
    } else if (frame.folder >= 0) {
        close(frame.folder);
    }
    frame.folder = -1;
}

void DirectoryEnumerator::pop() {
    Frame finished = std::move(m_frames.back());
    m_frames.pop_back();
    if (!m_frames.empty()) {
        m_path.resize(m_frames.back().pathLength);
        if (m_window.popped(m_frames.size()) && !reopen(finished.folder)) {
            // The folder is gone or was replaced: leave out what is left of it.
            m_frames.back().pending.clear();
            m_frames.back().nextPending = 0;
        }
    }
    if (finished.stream)
        closedir(finished.stream);
    else if (finished.folder >= 0)
        close(finished.folder);
}

// Gives the top frame, evicted earlier, a descriptor again: through ".." of the child
// just left, else by its path. Either way it must still be the folder the walk left.
bool DirectoryEnumerator::reopen(int child) {
    Frame& frame = m_frames.back();
    bool atRoot = m_frames.size() == 1;
    frame.folder = frame.identity.reopen(child, [&] {
        auto item = AnchoredPath::resolve(m_path.empty() ? std::string("/") : m_path);
        int flags = O_PATH | O_DIRECTORY | O_CLOEXEC | (atRoot ? 0 : O_NOFOLLOW);
        return item ? openat(item->folder(), item->name(), flags) : -1;
    });
    return frame.folder >= 0;
}

bool DirectoryEnumerator::nextName(Frame& frame, std::string& name) {
    if (frame.stream) {
        while (dirent* entry = readdir(frame.stream)) {
            std::string_view found = entry->d_name;
            if (found != "." && found != "..") {
                name.assign(found);
                return true;
            }
        }
        return false;
    }
    if (frame.nextPending < frame.pending.size()) {
        name = std::move(frame.pending[frame.nextPending++]);
        return true;
    }
    frame.pending.clear();
    frame.pending.shrink_to_fit();
    return false;
}

} // namespace platform
