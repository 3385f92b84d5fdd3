#include "shell/FlatpakInstallations.h"

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/ItemStatus.h"
#include "platform/Path.h"
#include "shell/KeyFileLines.h"

#include <algorithm>

namespace {

using platform::ItemStatus;

bool isFolder(const std::string& path, ItemStatus::Links links) {
    const auto status = ItemStatus::of(path, links);
    return status && status->directory;
}

bool isStrictlyInside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/';
}

// A deployed commit: the link at `link` leads to a folder inside `appReal` holding a
// regular "metadata" file.
std::optional<std::string> deployedThrough(const std::string& link, const std::string& appReal) {
    const std::optional<std::string> target = platform::FileSystem::resolvedPath(link);
    if (!target || !isStrictlyInside(*target, appReal) ||
        !isFolder(*target, ItemStatus::Links::NoFollow))
        return std::nullopt;
    const auto metadata =
        ItemStatus::of(platform::Path::appending(*target, "metadata"), ItemStatus::Links::NoFollow);
    if (!metadata || !metadata->regularFile)
        return std::nullopt;
    return target;
}

} // namespace

std::string FlatpakInstallations::userInstallation() {
    return platform::Path::appending(
        platform::Environment::userDirectory(platform::Environment::UserFolder::Data), "flatpak");
}

std::vector<FlatpakInstallations::Installation> FlatpakInstallations::all() {
    std::vector<Installation> installations{
        {userInstallation(), true}, {platform::Environment::rootPath("/var/lib/flatpak"), false}};
    const std::string configFolder =
        platform::Environment::rootPath("/etc/flatpak/installations.d");
    auto names = platform::FileSystem::contentsOfDirectory(configFolder)
                     .value_or(std::vector<std::string>{});
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (!name.ends_with(".conf"))
            continue;
        const auto text = platform::FileSystem::readFile(
            platform::Path::appending(configFolder, name), kMaxConfigBytes);
        if (!text)
            continue;
        for (const std::string& path : pathsInConfig(*text)) {
            Installation installation{platform::Environment::rootPath(path), false};
            if (std::none_of(
                    installations.begin(), installations.end(),
                    [&](const Installation& known) { return known.path == installation.path; }))
                installations.push_back(std::move(installation));
        }
    }
    return installations;
}

std::vector<std::string> FlatpakInstallations::pathsInConfig(std::string_view text) {
    std::vector<std::string> paths;
    bool inInstallation = false;
    KeyFileLines::forEach(text, [&](const KeyFileLines::Line& line) {
        if (line.isHeader) {
            inInstallation =
                line.header.starts_with("[Installation ") && line.header.ends_with(']');
            return;
        }
        if (!inInstallation || line.key != "Path")
            return;
        if (line.value.starts_with('/') && line.value.find('\0') == std::string_view::npos &&
            std::find(paths.begin(), paths.end(), line.value) == paths.end())
            paths.emplace_back(line.value);
    });
    return paths;
}

bool FlatpakInstallations::isValidId(std::string_view id) {
    if (id.empty() || id.size() > 255)
        return false;
    int components = 0;
    std::size_t start = 0;
    while (start <= id.size()) {
        std::size_t end = id.find('.', start);
        if (end == std::string_view::npos)
            end = id.size();
        const std::string_view part = id.substr(start, end - start);
        if (part.empty() || (part.front() >= '0' && part.front() <= '9'))
            return false;
        for (const char c : part) {
            const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
            if (!letter && !(c >= '0' && c <= '9') && c != '_' && c != '-')
                return false;
        }
        ++components;
        start = end + 1;
    }
    return components >= 2;
}

std::optional<std::string> FlatpakInstallations::deployedCommit(const std::string& installation,
                                                                const std::string& id) {
    if (!isValidId(id))
        return std::nullopt;
    const std::string appFolder =
        platform::Path::appending(platform::Path::appending(installation, "app"), id);
    // The application's folder itself is never a link; what lies under it must stay there.
    if (!isFolder(appFolder, ItemStatus::Links::NoFollow))
        return std::nullopt;
    const std::optional<std::string> appReal = platform::FileSystem::resolvedPath(appFolder);
    if (!appReal)
        return std::nullopt;
    if (auto commit = deployedThrough(appFolder + "/current/active", *appReal))
        return commit;
    for (const std::string& arch : platform::FileSystem::contentsOfDirectory(appFolder).value_or(
             std::vector<std::string>{})) {
        const std::string archFolder = platform::Path::appending(appFolder, arch);
        if (arch == "current" || !isFolder(archFolder, ItemStatus::Links::NoFollow))
            continue;
        for (const std::string& branch : platform::FileSystem::contentsOfDirectory(archFolder)
                                             .value_or(std::vector<std::string>{})) {
            const std::string branchFolder = platform::Path::appending(archFolder, branch);
            if (!isFolder(branchFolder, ItemStatus::Links::NoFollow))
                continue;
            if (auto commit = deployedThrough(branchFolder + "/active", *appReal))
                return commit;
        }
    }
    return std::nullopt;
}

std::optional<std::map<std::string, std::string>>
FlatpakInstallations::installedApplications(const std::string& installation) {
    if (!isFolder(installation, ItemStatus::Links::Follow))
        return std::nullopt;
    std::map<std::string, std::string> installed;
    const std::string apps = platform::Path::appending(installation, "app");
    auto ids = platform::FileSystem::contentsOfDirectory(apps).value_or(std::vector<std::string>{});
    if (ids.size() > kMaxApplications)
        ids.resize(kMaxApplications);
    for (const std::string& id : ids) {
        if (auto commit = deployedCommit(installation, id))
            installed.emplace(id, std::move(*commit));
    }
    return installed;
}

bool FlatpakInstallations::isInstalledAnywhere(const std::string& id) {
    for (const Installation& installation : all()) {
        if (deployedCommit(installation.path, id))
            return true;
    }
    return false;
}
