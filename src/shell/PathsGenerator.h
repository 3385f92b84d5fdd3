#pragma once

#include <optional>
#include <string>

// The user's name, home folder and the fixed folders derived from it.
// Created once per process and read-only afterwards, so any thread may use it.
class PathsGenerator {
public:
    static PathsGenerator& GetInstance();

    const std::string& getHomeDirectory() const { return m_sHomeDirectory; }
    const std::string& userName() const { return m_userName; }

    // The home Trash's "files" folder: $XDG_DATA_HOME/Trash/files, by default
    // ~/.local/share/Trash/files (TrashFolders knows the volumes' Trashes too).
    std::string buildTrashDirectory() const { return m_sUserTrashDirectory; }
    std::string buildSystemApplicationsDirectory() const;
    std::string buildUserApplicationsDirectory() const { return m_sUserApplicationDirectory; }
    std::string buildUserDownloadsDirectory() const { return m_sUserDownloadsDirectory; }
    std::string buildUserLibraryDirectory() const { return m_sUserLibraryDirectory; }
    std::string buildUserApplicationSupportDirectory() const {
        return m_sUserApplicationSupportDirectory;
    }
    std::string buildUserPreferencePanesDirectory() const {
        return m_sUserPreferencePanesDirectory;
    }

    // Whether the path lies inside the home Trash or a mounted volume's Trash.
    bool pathInTrash(const std::string& path) const;

    std::optional<std::string>
    buildApplicationFolderPathInApplicationSupportWithBundleID(const std::string& bundleId) const;
    std::optional<std::string> buildApplicationFolderPathInApplicationSupport() const;
    std::optional<std::string> buildMainAppFolderPathInApplicationSupport() const;
    std::optional<std::string>
    buildFolderInApplicationSupportWithName(const std::string& name) const;

    std::string expandTildeInPath(const std::string& path) const;

    static bool isBackupDirectoryOrInBackupDirectory(const std::string& path);
    static bool isBackupDirectory(const std::string& path);

private:
    PathsGenerator(std::string home, std::string userName);

    std::string m_sHomeDirectory;
    std::string m_sUserApplicationDirectory;
    std::string m_sUserDownloadsDirectory;
    std::string m_sUserLibraryDirectory;
    std::string m_sUserTrashDirectory;
    std::string m_sUserApplicationSupportDirectory;
    std::string m_sUserPreferencePanesDirectory;
    std::string m_userName;
};
