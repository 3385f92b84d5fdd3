#pragma once

#include <optional>
#include <string>

// File URLs as the platform writes them: "file://" followed by the
// percent-encoded absolute path.
class FileURL {
public:
    static std::string fromPath(const std::string& path);
    // The path of a file URL; a plain absolute path is taken as it is; any other
    // URL gives none.
    static std::optional<std::string> toPath(const std::string& url);
    static bool isFileURL(const std::string& url);
};
