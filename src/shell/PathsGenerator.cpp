#include "shell/PathsGenerator.h"

#include "platform/Bundle.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "shell/NSStringFileSize.h"
#include "shell/TrashFolders.h"
#include "shell/WatcherSettings.h"

using platform::Path;

namespace {

std::string currentBundleIdentifier();

} // namespace

PathsGenerator& PathsGenerator::GetInstance() {
    static PathsGenerator* instance = [] {
        std::string home = platform::Environment::homeDirectory();
        std::string name = platform::Environment::userName();
        if (home.empty())
            home = Path::appending("/Users", name);
        return new PathsGenerator(home, name);
    }();
    return *instance;
}

PathsGenerator::PathsGenerator(std::string home, std::string userName)
    : m_sHomeDirectory(std::move(home)), m_userName(std::move(userName)) {
    m_sUserApplicationDirectory = Path::appending(m_sHomeDirectory, "Applications");
    m_sUserDownloadsDirectory = Path::appending(m_sHomeDirectory, "Downloads");
    m_sUserLibraryDirectory = Path::appending(m_sHomeDirectory, "Library");
    // The freedesktop home Trash, where file managers, `gio trash` and `trash-put` put what
    // the user deletes; its "files" folder holds the items themselves.
    m_sUserTrashDirectory =
        Path::appending(platform::Environment::userDataDirectory(), "Trash/files");
    m_sUserApplicationSupportDirectory =
        Path::appending(m_sUserLibraryDirectory, "Application Support");
    m_sUserPreferencePanesDirectory = Path::appending(m_sUserLibraryDirectory, "PreferencePanes");
}

std::string PathsGenerator::buildSystemApplicationsDirectory() const {
    return platform::Environment::rootPath("/Applications");
}

bool PathsGenerator::pathInTrash(const std::string& path) const {
    return !path.empty() && TrashFolders::trashFolderContaining(path).has_value();
}

std::optional<std::string>
PathsGenerator::buildApplicationFolderPathInApplicationSupportWithBundleID(
    const std::string& bundleId) const {
    std::optional<std::string> base = platform::FileSystem::userApplicationSupportDirectory();
    if (!base || base->empty() || bundleId.empty())
        return std::nullopt;
    return Path::appending(expandTildeInPath(*base), bundleId);
}

std::optional<std::string> PathsGenerator::buildApplicationFolderPathInApplicationSupport() const {
    return buildApplicationFolderPathInApplicationSupportWithBundleID(currentBundleIdentifier());
}

std::optional<std::string> PathsGenerator::buildMainAppFolderPathInApplicationSupport() const {
    return buildApplicationFolderPathInApplicationSupportWithBundleID(
        WatcherSettings::GetInstance().getMainAppBundleID());
}

std::optional<std::string>
PathsGenerator::buildFolderInApplicationSupportWithName(const std::string& name) const {
    std::optional<std::string> base = buildApplicationFolderPathInApplicationSupport();
    if (!base)
        return std::nullopt;
    std::string folder = Path::appending(*base, name);
    platform::FileSystem::createDirectory(folder, true);
    return folder;
}

std::string PathsGenerator::expandTildeInPath(const std::string& path) const {
    if (path.starts_with("~/"))
        return Path::appending(m_sHomeDirectory, path.substr(2));
    return path;
}

bool PathsGenerator::isBackupDirectory(const std::string& path) {
    std::string last = Path::lastComponent(path);
    if (last.find(".timemachine") != std::string::npos)
        return true;
    std::string extension = Path::extension(path);
    if (extension != "previous" && extension != "backupdb")
        return false;
    if (last == "Backups.backupdb")
        return true;
    std::optional<platform::ItemAttributes> attributes =
        platform::FileSystem::attributesOfItem(path);
    if (!attributes)
        return false;
    for (const std::string& name : attributes->extendedAttributeNames) {
        for (const char* marker :
             {"com.apple.backup", "com.apple.backupd", "com.apple.timemachine"}) {
            if (name.find(marker) != std::string::npos)
                return true;
        }
    }
    return false;
}

bool PathsGenerator::isBackupDirectoryOrInBackupDirectory(const std::string& path) {
    std::string current = path;
    for (;;) {
        bool candidate = current.find("previous") != std::string::npos ||
                         current.find("backupdb") != std::string::npos ||
                         current.find(".timemachine") != std::string::npos;
        if (!candidate)
            return false;
        if (isBackupDirectory(current))
            return true;
        std::string parent = Path::deletingLastComponent(current);
        if (parent == current || parent.empty())
            return false;
        current = parent;
    }
}

namespace {

std::string currentBundleIdentifier() {
    auto bundle = platform::Bundle::mainBundle();
    if (!bundle)
        return {};
    return bundle->bundleIdentifier().value_or(std::string());
}

} // namespace
