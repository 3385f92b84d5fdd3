#include "shell/MessageFiles.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "shell/WatcherSettings.h"

#include <cerrno>
#include <cstdint>
#include <sys/stat.h>

namespace {

// Why the file at `path` could not be read; asked only after the read failed.
MessageFileFault::Kind faultReading(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR || path.empty()
                   ? MessageFileFault::Kind::Missing
                   : MessageFileFault::Kind::Unreadable;
    if (!S_ISREG(status.st_mode))
        return MessageFileFault::Kind::NotAFile;
    if (static_cast<std::uint64_t>(status.st_size) > MessageFiles::kMaxFileBytes)
        return MessageFileFault::Kind::TooLarge;
    return MessageFileFault::Kind::Unreadable;
}

} // namespace

std::string MessageFiles::folderPath() {
    return platform::Path::appending(platform::FileSystem::temporaryDirectory(),
                                     WatcherSettings::GetInstance().getHelperAppBundleID());
}

std::optional<std::string> MessageFiles::createFolder() {
    std::string folder = folderPath();
    if (!platform::FileSystem::createPrivateDirectory(folder))
        return std::nullopt;
    return folder;
}

std::optional<std::string> MessageFiles::read(const std::string& path,
                                              std::optional<MessageFileFault>* fault) {
    std::optional<std::string> contents =
        path.empty() ? std::nullopt : platform::FileSystem::readFile(path, kMaxFileBytes);
    if (!contents && fault)
        *fault = MessageFileFault{faultReading(path), std::nullopt, {}};
    return contents;
}

bool MessageFiles::remove(const std::string& path) {
    // unlink rather than a recursive removal: if a folder has taken the message's
    // place, it is not ours to delete.
    return platform::FileSystem::removeFile(path);
}
