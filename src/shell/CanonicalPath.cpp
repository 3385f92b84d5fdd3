#include "shell/CanonicalPath.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"

namespace {

std::string below(const std::string& path, const std::string& folder) {
    if (folder.empty())
        return {};
    std::string prefix = folder.ends_with('/') ? folder : folder + "/";
    if (path.size() <= prefix.size() || !path.starts_with(prefix))
        return {};
    return path.substr(prefix.size());
}

} // namespace

std::string CanonicalPath::ofFolder(const std::string& path) {
    return platform::FileSystem::resolvedPath(path).value_or(path);
}

std::string CanonicalPath::ofItem(const std::string& path) {
    std::string name = platform::Path::lastComponent(path);
    std::string folder = platform::Path::deletingLastComponent(path);
    if (folder.empty() || name.empty() || name == "/" || name == "." || name == "..")
        return path;
    std::string resolved = ofFolder(folder);
    if (resolved == folder)
        return path;
    return platform::Path::appending(resolved, name);
}

std::string CanonicalPath::relativeTo(const std::string& path, const std::string& folder) {
    if (std::string rest = below(path, folder); !rest.empty())
        return rest;
    return below(ofItem(path), ofFolder(folder));
}
