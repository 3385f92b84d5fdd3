#pragma once

#include <optional>
#include <string>

// Path operations on strings used throughout the helper.
class NSStringFileSize {
public:
    // Whether `path` lies strictly inside `folder` (case-sensitive).
    static bool isInFolder(const std::string& path, const std::string& folder);
    static std::optional<std::string> parentBundlePath(const std::string& path);
    // An empty suffix counts as none and answers NO, like the platform's strings.
    static bool hasCaseInsensitiveSuffix(const std::string& text, const std::string& suffix);
    // Turns an application-group container name into a bundle-like identifier by
    // dropping a team prefix ("ABCDE12345.") and a leading "group.".
    static std::string appropriateBundleIdentifierByHandlingGroupPrefix(const std::string& text);
};
