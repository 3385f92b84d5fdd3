#pragma once

#include <string>

// Paths with the symbolic links of their folders resolved, for comparing a path that
// the kernel reports (always resolved) with one built from the home folder (which may
// pass through links, such as a home folder that is itself a link).
class CanonicalPath {
public:
    // The existing folder at `path` with every link resolved; `path` unchanged when it
    // cannot be resolved (it does not exist, or a folder on the way is not readable).
    static std::string ofFolder(const std::string& path);
    // The item at `path` with the links of the folders above it resolved; its own last
    // component is kept as it is, so a link there stays a link. Unchanged when its
    // folder cannot be resolved.
    static std::string ofItem(const std::string& path);
    // The part of `path` below `folder` ("Foo.app", "Games/Foo.app"), comparing both
    // as given and then both resolved; empty when `path` is not below `folder`.
    static std::string relativeTo(const std::string& path, const std::string& folder);
};
