#include "shell/TrashFolders.h"

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/ItemStatus.h"
#include "platform/MountedVolumes.h"
#include "platform/Path.h"
#include "shell/NSStringFileSize.h"
#include "shell/PathsGenerator.h"
#include "shell/TrashInfo.h"

#include <algorithm>

using platform::Path;

namespace {

// A shared ".Trash" is used only when it is a real folder with the sticky bit, so that no
// user can make another's trashed items appear or vanish, or point it elsewhere.
bool isUsableSharedTrash(const std::string& folder) {
    auto status = platform::ItemStatus::of(folder, platform::ItemStatus::Links::NoFollow);
    return status && status->directory && status->restrictedDeletion;
}

} // namespace

std::vector<std::string> TrashFolders::trashFoldersOfVolume(const std::string& topFolder,
                                                            unsigned uid) {
    const std::string user = std::to_string(uid);
    std::vector<std::string> folders;
    std::string shared = Path::appending(topFolder, ".Trash");
    if (isUsableSharedTrash(shared))
        folders.push_back(Path::appending(Path::appending(shared, user), "files"));
    folders.push_back(Path::appending(Path::appending(topFolder, ".Trash-" + user), "files"));
    return folders;
}

std::vector<std::string> TrashFolders::volumeTrashFolders() {
    const std::string home = PathsGenerator::GetInstance().buildTrashDirectory();
    std::vector<std::string> folders;
    for (const std::string& top : platform::MountedVolumes::topFolders()) {
        for (std::string& folder : trashFoldersOfVolume(top, platform::Environment::userId())) {
            if (folder != home)
                folders.push_back(std::move(folder));
        }
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    return folders;
}

std::vector<std::string> TrashFolders::all() {
    std::vector<std::string> folders{PathsGenerator::GetInstance().buildTrashDirectory()};
    for (std::string& folder : volumeTrashFolders())
        folders.push_back(std::move(folder));
    return folders;
}

std::optional<std::string> TrashFolders::trashFolderContaining(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    // The home Trash is asked first and without reading the mount table: it is the usual case.
    std::string home = PathsGenerator::GetInstance().buildTrashDirectory();
    if (NSStringFileSize::isInFolder(path, home))
        return home;
    for (std::string& folder : volumeTrashFolders()) {
        if (NSStringFileSize::isInFolder(path, folder))
            return std::move(folder);
    }
    return std::nullopt;
}

std::string TrashFolders::baseFolderOf(const std::string& trashFolder) {
    if (trashFolder == PathsGenerator::GetInstance().buildTrashDirectory())
        return platform::Environment::userDataDirectory();
    // <top>/.Trash-<uid>/files or <top>/.Trash/<uid>/files
    std::string trash = Path::deletingLastComponent(trashFolder);
    std::string parent = Path::deletingLastComponent(trash);
    if (Path::lastComponent(parent) == ".Trash")
        return Path::deletingLastComponent(parent);
    return parent;
}

bool TrashFolders::isTrashedApplication(const std::string& path) {
    std::optional<std::string> trash = trashFolderContaining(path);
    if (!trash || path.find('/', trash->size() + 1) != std::string::npos)
        return false;
    auto status = platform::ItemStatus::of(path, platform::ItemStatus::Links::NoFollow);
    if (!status || !status->directory)
        return false;
    std::optional<std::string> original = originalPathOf(path);
    return original && Path::lastComponent(*original).size() > 4 &&
           Path::lastComponent(*original).ends_with(".app");
}

std::optional<std::string> TrashFolders::originalPathOf(const std::string& path) {
    std::optional<std::string> trash = trashFolderContaining(path);
    if (!trash)
        return std::nullopt;
    std::string rest = path.substr(trash->size() + 1);
    std::size_t slash = rest.find('/');
    std::string top = rest.substr(0, slash);
    std::string info = Path::appending(Path::appending(Path::deletingLastComponent(*trash), "info"),
                                       top + ".trashinfo");
    std::optional<TrashInfo> record = TrashInfo::read(info, baseFolderOf(*trash));
    if (!record)
        return std::nullopt;
    if (slash == std::string::npos)
        return record->originalPath();
    return Path::appending(record->originalPath(), rest.substr(slash + 1));
}
