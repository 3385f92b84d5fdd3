#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Operations on path strings used throughout the helper, and the size text shown to
// the user for a byte count.
class NSStringFileSize {
public:
    // The platform formatter's file count style, unchanged: "Zero KB", "999 bytes",
    // "12.3 MB". Callers that want no text for zero test for zero themselves.
    static std::string convertToStringFromFileSize(std::uint64_t bytes);

    // Whether `path` lies strictly inside `folder` (case-sensitive).
    static bool isInFolder(const std::string& path, const std::string& folder);
    static std::optional<std::string> parentBundlePath(const std::string& path);
    // An empty suffix counts as none and answers NO, like the platform's strings.
    static bool hasCaseInsensitiveSuffix(const std::string& text, const std::string& suffix);
    // Turns an application-group container name into a bundle-like identifier by
    // dropping a team prefix ("ABCDE12345.") and a leading "group.".
    static std::string appropriateBundleIdentifierByHandlingGroupPrefix(const std::string& text);
};
