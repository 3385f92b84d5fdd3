#pragma once

#include <optional>
#include <string>

// Whether a path is an application bundle, and which application or bundle
// encloses a path.
class ApplicationDirectoryUtils {
public:
    static bool isApplicationAtPath(const std::string& path);
    // `url` is a file URL ("file:///...") or a plain absolute path.
    static bool isApplicationAtURL(const std::string& url);
    static std::optional<std::string> parentAppPathForPath(const std::string& path);
    static std::optional<std::string> parentBundlePathForPath(const std::string& path);
};
