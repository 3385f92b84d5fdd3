#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Existence tests that do not follow a final symbolic link, the Trash folder,
// the immutable flag and random temporary names.
class NSFileManagerUtils {
public:
    // True also for a dangling symbolic link. `isDirectory` is set when given:
    // whether the item reached through links is a folder, false for a link alone.
    static bool fileExistsWithoutTraversingSymbolicLinkAtPath(const std::string& path,
                                                              bool* isDirectory = nullptr);
    static bool isFileAtPathSymbolicLink(const std::string& path);

    // The user's Trash folder (the home Trash's "files") with a trailing "/", created with its
    // "info" folder if missing; cached
    // after the first success.
    static std::optional<std::string> getTrashPath();
    static bool isFileInTrash(const std::string& path);
    static bool isFileLocked(const std::string& path);

    static std::string randomStringWithLength(std::size_t length);
    static std::string randomStringWithLength(std::size_t length, const std::string& alphabet);

    // A path in the temporary folder that does not exist yet.
    static std::string getTempFilePathWithExt(const std::string& extension = {});
    // Such a path, created as a folder.
    static std::string getTempFolderPath();
};
