#include "knowledge/KnowledgeBaseContainerLocator.h"

#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "shell/ApplicationDirectoryUtils.h"
#include "shell/PathsGenerator.h"

std::optional<std::string> KnowledgeBaseContainerLocator::downloadedContainerPath() {
    auto folder = PathsGenerator::GetInstance().buildMainAppFolderPathInApplicationSupport();
    if (!folder)
        return std::nullopt;
    return *folder + "/" + kContainerName + "." + kContainerType;
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
    auto mainApp = platform::Bundle::create(*mainAppPath);
    if (!mainApp)
        return std::nullopt;
    return mainApp->pathForResource(kContainerName, kContainerType);
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
