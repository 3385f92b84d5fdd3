#include "shell/ApplicationDirectoryUtils.h"

#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "shell/FileURL.h"
#include "shell/MacOSVersion.h"

#include <functional>

namespace {

// The ancestors of `path` from the root downwards, leaving out the path itself
// and its immediate parent, which can never enclose it as a bundle.
std::optional<std::string> firstCandidate(const std::string& path,
                                          const std::function<bool(const std::string&)>& accept) {
    if (path.empty() || path.front() != '/')
        return std::nullopt;
    std::vector<std::size_t> ends; // end offsets of "/", "/a", "/a/b", ...
    ends.push_back(1);
    std::size_t position = 1;
    while (position < path.size()) {
        std::size_t slash = path.find('/', position);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > position)
            ends.push_back(slash);
        position = slash + 1;
    }
    if (ends.size() < 3)
        return std::nullopt;
    for (std::size_t i = 0; i + 2 < ends.size(); ++i) {
        std::string candidate = path.substr(0, ends[i]);
        if (accept(candidate))
            return candidate;
    }
    return std::nullopt;
}

// Only a name ending in ".app" can be an application. Looking at the name first spares the
// ancestors of a deeply nested item one walk from the root each.
bool mayBeApplication(const std::string& path) {
    return path.ends_with(".app");
}

} // namespace

bool ApplicationDirectoryUtils::isApplicationAtPath(const std::string& path) {
    if (path.empty())
        return false;
    return isApplicationAtURL(FileURL::fromPath(path));
}

bool ApplicationDirectoryUtils::isApplicationAtURL(const std::string& url) {
    std::optional<std::string> path = FileURL::toPath(url);
    if (!path || path->empty())
        return false;
    platform::ResourceValues values = platform::FileSystem::resourceValues(*path);
    if (MacOSVersion::GetInstance().isMacOSHasVersion("10.11", false, true))
        return values.isApplication.value_or(false);
    return values.isPackage.value_or(false) && path->ends_with(".app");
}

std::optional<std::string>
ApplicationDirectoryUtils::parentAppPathForPath(const std::string& path) {
    return firstCandidate(
        path, [](const std::string& c) { return mayBeApplication(c) && isApplicationAtPath(c); });
}

std::optional<std::string>
ApplicationDirectoryUtils::parentBundlePathForPath(const std::string& path) {
    return firstCandidate(path, [](const std::string& c) {
        return (mayBeApplication(c) && isApplicationAtPath(c)) ||
               platform::Text::caseInsensitiveHasSuffix(c, ".prefpane") ||
               platform::Text::caseInsensitiveHasSuffix(c, ".kext");
    });
}
