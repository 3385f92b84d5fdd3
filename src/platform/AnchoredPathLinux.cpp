#include "platform/AnchoredPath.h"

#include <climits>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

// Opens the folder `path` piece by piece, each piece shorter than PATH_MAX and cut
// at a "/", so that the kernel never sees an overlong name. Intermediate links are
// followed, exactly as a single open of the whole path would follow them.
int openFolderInPieces(const std::string& path, int flags) {
    flags |= O_DIRECTORY | O_CLOEXEC;
    std::size_t start = path.find_first_not_of('/');
    if (start == std::string::npos)
        return open(path.empty() ? "." : "/", flags);
    int current = path.front() == '/' ? open("/", O_PATH | O_DIRECTORY | O_CLOEXEC) : AT_FDCWD;
    if (current == -1)
        return -1;
    while (start < path.size()) {
        std::size_t end = path.size();
        if (end - start >= PATH_MAX) {
            end = path.rfind('/', start + PATH_MAX - 1);
            if (end == std::string::npos || end <= start)
                end = start;
        }
        int next = -1;
        if (end > start) {
            std::string piece = path.substr(start, end - start);
            next = openat(current, piece.c_str(),
                          end >= path.size() ? flags : O_PATH | O_DIRECTORY | O_CLOEXEC);
        }
        if (current != AT_FDCWD)
            close(current);
        if (next < 0)
            return -1;
        current = next;
        start = path.find_first_not_of('/', end);
        if (start == std::string::npos && end < path.size()) {
            // The path ended in "/" right after a piece that was opened without
            // the caller's flags: open that folder once more with them.
            next = openat(current, ".", flags);
            close(current);
            return next;
        }
    }
    return current;
}

std::pair<std::string, std::string> splitParent(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    if (slash == 0)
        return {"/", path.substr(1)};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace

AnchoredPath::AnchoredPath(int folder, std::string name)
    : m_folder(folder), m_name(std::move(name)) {}

AnchoredPath::AnchoredPath(AnchoredPath&& other) noexcept
    : m_folder(std::exchange(other.m_folder, -1)), m_name(std::move(other.m_name)) {}

AnchoredPath& AnchoredPath::operator=(AnchoredPath&& other) noexcept {
    if (this != &other) {
        if (m_folder >= 0)
            close(m_folder);
        m_folder = std::exchange(other.m_folder, -1);
        m_name = std::move(other.m_name);
    }
    return *this;
}

AnchoredPath::~AnchoredPath() {
    if (m_folder >= 0)
        close(m_folder);
}

std::optional<AnchoredPath> AnchoredPath::resolve(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    if (path.size() < PATH_MAX)
        return AnchoredPath(AT_FDCWD, path);
    auto [parent, name] = splitParent(path);
    int folder = openFolderInPieces(parent, O_PATH);
    if (folder < 0)
        return std::nullopt;
    // A trailing "/" asks for the folder itself, which is then the one just opened.
    return AnchoredPath(folder, name.empty() ? "." : name);
}

std::optional<AnchoredPath> AnchoredPath::openParent(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    auto [parent, name] = splitParent(path);
    if (name.empty())
        return std::nullopt;
    int folder = openFolderInPieces(parent, O_RDONLY);
    if (folder < 0)
        return std::nullopt;
    return AnchoredPath(folder, name);
}

std::string AnchoredPath::pathForPathCalls() const {
    if (m_folder == AT_FDCWD)
        return m_name;
    return "/proc/self/fd/" + std::to_string(m_folder) + "/" + m_name;
}

} // namespace platform
