#pragma once

#include "platform/ItemAttributes.h"
#include "platform/ResourceValues.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace platform {

// Questions about files and folders, and the few changes the helper makes. Every
// operation answers none or false on failure and never throws; paths may hold any
// bytes and may be longer than PATH_MAX.
class FileSystem {
public:
    // The item's own resource values (one lstat); all absent when it is missing.
    static ResourceValues resourceValues(const std::string& path);

    // The names in a folder, unsorted, without "." and ".."; none on any failure.
    // A final link to a folder is followed.
    static std::optional<std::vector<std::string>> contentsOfDirectory(const std::string& path);

    // The absolute path of an existing item with every symbolic link and "." or ".." resolved;
    // none when it does not exist or cannot be reached.
    static std::optional<std::string> resolvedPath(const std::string& path);

    // Whether something exists at `path`, following links; `isDirectory` tells
    // whether it is a folder.
    static bool fileExists(const std::string& path, bool* isDirectory = nullptr);

    // As fileExists, but a symbolic link whose target is missing exists too (with
    // `isDirectory` false).
    static bool itemExistsNoFollow(const std::string& path, bool* isDirectory = nullptr);

    static bool isSymbolicLink(const std::string& path);

    // Whether a folder with this extension is shown to the user as one document;
    // letter case is ignored.
    static bool isPackageExtension(std::string_view extension);

    // A folder (not a link to one) with a package extension.
    static bool isFilePackage(const std::string& path);

    // A folder (not a link to one) whose name ends in ".app", in exactly that case.
    static bool isApplication(const std::string& path);

    // None when the item cannot be examined.
    static std::optional<ItemAttributes> attributesOfItem(const std::string& path);

    // With intermediates, an existing folder counts as success and missing parents
    // are created with `mode` as well; without, the folder must not exist yet.
    static bool createDirectory(const std::string& path, bool withIntermediates,
                                mode_t mode = 0755);

    // A folder only the user can enter (0700, created with its missing parents).
    // Refuses an existing link, non-folder or folder of another owner; tightens
    // the mode of an existing folder of our own.
    static bool createPrivateDirectory(const std::string& path);

    // Removes the item and, for a folder, everything below it. Links are removed,
    // never followed, and the walk cannot be redirected out of the tree. False when
    // anything remains.
    static bool removeItem(const std::string& path);

    // Removes one file or link (never a folder, so that a folder that has taken a file's
    // place is left alone). False when nothing was removed.
    static bool removeFile(const std::string& path);

    // Writes a temporary file beside `path`, syncs it and renames it over `path`,
    // so that readers see the old or the new contents, never a mixture. An
    // existing link at `path` is replaced, not written through. The file gets exactly
    // `mode`, whatever the process umask.
    static bool writeFileAtomically(const std::string& path, std::string_view bytes,
                                    mode_t mode = 0644);

    // The contents of a regular file (links followed); none when it is larger than
    // `maxBytes` or cannot be read.
    static std::optional<std::string> readFile(const std::string& path, std::size_t maxBytes);

    // $TMPDIR, else $XDG_RUNTIME_DIR, else /tmp; without a trailing "/".
    static std::string temporaryDirectory();
    // Every one of them that is set, in that order, each once: where to turn when the
    // first offers no private place.
    static std::vector<std::string> temporaryDirectoryCandidates();

    // The home folder's Library/Application Support.
    static std::optional<std::string> userApplicationSupportDirectory();
};

} // namespace platform
