#include "shell/MessageFiles.h"

#include "platform/FileSystem.h"
#include "platform/ItemStatus.h"
#include "platform/Path.h"
#include "shell/WatcherSettings.h"

#include <cstdint>
#include <optional>

namespace {

// Why the file at `path` could not be read; asked only after the read failed.
MessageFileFault::Kind faultReading(const std::string& path) {
    const std::optional<platform::ItemStatus> status =
        path.empty() ? std::nullopt
                     : platform::ItemStatus::of(path, platform::ItemStatus::Links::Follow);
    if (!status)
        return platform::FileSystem::fileExists(path) ? MessageFileFault::Kind::Unreadable
                                                      : MessageFileFault::Kind::Missing;
    if (!status->regularFile)
        return MessageFileFault::Kind::NotAFile;
    if (status->size > MessageFiles::kMaxFileBytes)
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
