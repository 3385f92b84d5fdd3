#pragma once

#include "shell/MessageFileFault.h"

#include <cstddef>
#include <optional>
#include <string>

// The folder and file handling shared by both kinds of message file.
//
// Messages are written into <temporary folder>/<helper bundle identifier>, a folder
// private to the user. Reading refuses anything but a regular file of at most
// kMaxFileBytes; removing never touches a folder and never what a link points to.
class MessageFiles {
public:
    static constexpr std::size_t kMaxFileBytes = std::size_t(16) << 20;

    // The folder's path, whether or not it exists.
    static std::string folderPath();

    // The folder, created with its missing parents and made private (0700); none
    // when it cannot be made, is a symbolic link, or belongs to another user.
    static std::optional<std::string> createFolder();

    // The contents of the regular file at `path` (a final link is followed); none
    // when it is missing, another kind of item or larger than kMaxFileBytes, and then
    // `fault`, when given, says which.
    static std::optional<std::string> read(const std::string& path,
                                           std::optional<MessageFileFault>* fault = nullptr);

    // Unlinks the item at `path`: a link itself, a file or anything else but a
    // folder. False when nothing was removed.
    static bool remove(const std::string& path);
};
