#include "knowledge/KnowledgeBaseContainerLocator.h"

#include "platform/Bundle.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "shell/ApplicationDirectoryUtils.h"
#include "shell/PathsGenerator.h"
#include "shell/WatcherSettings.h"

std::optional<std::string> KnowledgeBaseContainerLocator::downloadedContainerPath() {
    auto folder = PathsGenerator::GetInstance().buildMainAppFolderPathInApplicationSupport();
    if (!folder)
        return std::nullopt;
    return *folder + "/" + kContainerName + "." + kContainerType;
}

namespace {

// The folder name the build gives the main application's bundle.
constexpr std::string_view kMainApplicationFolder = "Sweepwise.app";
// How far above a tool the build's main application may be: build/<preset>/tools/<tool>/.
constexpr int kBuildTreeLevels = 4;

bool isMainApplication(const std::string& path) {
    auto bundle = platform::Bundle::create(path);
    return bundle &&
           bundle->bundleIdentifier() == WatcherSettings::GetInstance().getMainAppBundleID();
}

std::optional<std::string> mainApplicationNear(std::string folder) {
    for (int level = 0; level <= kBuildTreeLevels && !folder.empty(); ++level) {
        const std::string candidate = platform::Path::appending(folder, kMainApplicationFolder);
        if (isMainApplication(candidate))
            return candidate;
        if (folder == "/")
            break;
        folder = platform::Path::deletingLastComponent(folder);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> KnowledgeBaseContainerLocator::embeddedContainerPathOfMainApplication(
    const std::string& mainAppPath) {
    auto mainApp = platform::Bundle::create(mainAppPath);
    if (!mainApp)
        return std::nullopt;
    return mainApp->pathForResource(kContainerName, kContainerType);
}

std::optional<std::string>
KnowledgeBaseContainerLocator::mainApplicationForProgram(const std::string& programBundlePath) {
    std::string programPath = programBundlePath;
    if (programPath.empty()) {
        auto program = platform::Bundle::mainBundle();
        if (!program)
            return std::nullopt;
        programPath = program->bundlePath();
    }
    if (isMainApplication(programPath))
        return programPath;
    if (auto enclosing = ApplicationDirectoryUtils::parentAppPathForPath(programPath);
        enclosing && isMainApplication(*enclosing))
        return enclosing;
    if (auto near = mainApplicationNear(programPath))
        return near;
    for (const std::string& applications :
         {platform::Environment::rootPath("/Applications"),
          PathsGenerator::GetInstance().buildUserApplicationsDirectory()}) {
        const std::string candidate =
            platform::Path::appending(applications, kMainApplicationFolder);
        if (isMainApplication(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::optional<std::string>
KnowledgeBaseContainerLocator::embeddedContainerPath(const std::string& helperBundlePath) {
    std::string helperPath = helperBundlePath;
    if (helperPath.empty()) {
        auto helper = platform::Bundle::mainBundle();
        if (!helper)
            return std::nullopt;
        helperPath = helper->bundlePath();
    }
    auto mainAppPath = ApplicationDirectoryUtils::parentAppPathForPath(helperPath);
    if (!mainAppPath)
        return std::nullopt;
    return embeddedContainerPathOfMainApplication(*mainAppPath);
}

std::vector<std::string>
KnowledgeBaseContainerLocator::containerPaths(const std::string& helperBundlePath) {
    std::vector<std::string> paths;
    if (auto downloaded = downloadedContainerPath();
        downloaded && platform::FileSystem::fileExists(*downloaded))
        paths.push_back(*downloaded);
    if (auto embedded = embeddedContainerPath(helperBundlePath))
        paths.push_back(*embedded);
    return paths;
}
