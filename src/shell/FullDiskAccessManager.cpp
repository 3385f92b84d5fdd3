#include "shell/FullDiskAccessManager.h"

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "shell/MacOSVersion.h"
#include "shell/PathsGenerator.h"

const std::string& FullDiskAccessManager::probeDirectory() {
    static const std::string probe = PathsGenerator::GetInstance().buildTrashDirectory();
    return probe;
}

bool FullDiskAccessManager::fullAccessGranted() {
    return fullAccessGranted(MacOSVersion::GetInstance());
}

bool FullDiskAccessManager::fullAccessGranted(const MacOSVersion& version) {
    if (!version.isMacOSHasVersion("10.14.0", false, true))
        return true;
    if (platform::Environment::fullDiskAccessWithheld())
        return false;
    // Linux keeps no list of programs allowed to read protected folders: what matters is
    // whether the Trash can be read, and an empty Trash is an ordinary one.
    return platform::FileSystem::contentsOfDirectory(probeDirectory()).has_value();
}

std::string FullDiskAccessManager::fullDiskAccessUrl() {
    return "x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles";
}
