#include "shell/FullDiskAccessManager.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "shell/MacOSVersion.h"
#include "shell/PathsGenerator.h"

const std::string& FullDiskAccessManager::probeDirectory()
{
    static const std::string probe =
        platform::Path::appending(PathsGenerator::GetInstance().getHomeDirectory(), "Library/Safari");
    return probe;
}

bool FullDiskAccessManager::fullAccessGranted()
{
    return fullAccessGranted(MacOSVersion::GetInstance());
}

bool FullDiskAccessManager::fullAccessGranted(const MacOSVersion& version)
{
    if (!version.isMacOSHasVersion("10.14.0", false, true))
        return true;
    auto entries = platform::FileSystem::contentsOfDirectory(probeDirectory());
    return entries && !entries->empty();
}

std::string FullDiskAccessManager::fullDiskAccessUrl()
{
    return "x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles";
}
