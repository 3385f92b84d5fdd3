#pragma once

#include <optional>
#include <string>

namespace platform {

// A path split into a folder descriptor and a name relative to it, for the *at
// system calls. Short paths are used as they are (relative to the working folder);
// a path longer than the kernel's PATH_MAX is reached by opening its folders in
// pieces, so that very deep items can still be examined, listed and removed.
class AnchoredPath {
public:
    // `path` as it is when it is short enough, else its parent folder opened as an
    // O_PATH descriptor and its last component. None for an empty path or when the
    // parent of a long path cannot be opened.
    static std::optional<AnchoredPath> resolve(const std::string& path);

    // The parent folder of `path` opened for reading (so that it can be synced) and
    // the last component. `path` must not end in "/".
    static std::optional<AnchoredPath> openParent(const std::string& path);

    AnchoredPath(AnchoredPath&& other) noexcept;
    AnchoredPath& operator=(AnchoredPath&& other) noexcept;
    AnchoredPath(const AnchoredPath&) = delete;
    AnchoredPath& operator=(const AnchoredPath&) = delete;
    ~AnchoredPath();

    // AT_FDCWD or an open folder descriptor owned by this object.
    int folder() const { return m_folder; }
    const char* name() const { return m_name.c_str(); }

    // A path that names the same item for calls that have no *at form, such as
    // llistxattr; for a long path it goes through /proc/self/fd.
    std::string pathForPathCalls() const;

private:
    AnchoredPath(int folder, std::string name);

    int m_folder{-1};
    std::string m_name;
};

} // namespace platform
