#include "shell/MessageFiles.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "shell/WatcherSettings.h"

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

std::optional<std::string> MessageFiles::read(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    return platform::FileSystem::readFile(path, kMaxFileBytes);
}

bool MessageFiles::remove(const std::string& path) {
    // unlink rather than a recursive removal: if a folder has taken the message's
    // place, it is not ours to delete.
    return platform::FileSystem::removeFile(path);
}
