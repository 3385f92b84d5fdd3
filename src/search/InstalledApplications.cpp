#include "search/InstalledApplications.h"

#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "shell/PathsGenerator.h"

#include <algorithm>
#include <set>
#include <utility>

namespace {

struct Folder {
    std::string path;
    int depth;
};

std::optional<std::string> realPath(const std::string& path) {
    return platform::FileSystem::resolvedPath(path);
}

std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names =
        platform::FileSystem::contentsOfDirectory(folder).value_or(std::vector<std::string>{});
    std::sort(names.begin(), names.end());
    return names;
}

void addName(std::vector<std::string>& names, const std::string& name) {
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(name);
}

InstalledApplications::Application describe(const platform::Bundle& bundle) {
    InstalledApplications::Application application;
    application.path = bundle.bundlePath();
    application.identifier = bundle.bundleIdentifier();
    for (const char* key : {"CFBundleExecutable", "CFBundleName", "CFBundleDisplayName"}) {
        if (const platform::PlistValue* value = bundle.objectForInfoDictionaryKey(key)) {
            if (const std::string* name = value->asString())
                addName(application.names, *name);
        }
    }
    addName(application.names,
            platform::Path::deletingExtension(platform::Path::lastComponent(bundle.bundlePath())));
    return application;
}

bool isInTrash(const std::string& path, const std::optional<std::string>& resolved) {
    const PathsGenerator& paths = PathsGenerator::GetInstance();
    return paths.pathInTrash(path) || (resolved && paths.pathInTrash(*resolved));
}

} // namespace

std::vector<std::string> InstalledApplications::applicationFolders() {
    const PathsGenerator& paths = PathsGenerator::GetInstance();
    return {paths.buildSystemApplicationsDirectory(), paths.buildUserApplicationsDirectory()};
}

std::shared_ptr<const InstalledApplications> InstalledApplications::scan() {
    return scan(applicationFolders());
}

std::shared_ptr<const InstalledApplications>
InstalledApplications::scan(const std::vector<std::string>& folders) {
    auto result = std::make_shared<InstalledApplications>(std::vector<Application>{});
    // Folders and bundles by their resolved path: a link loop or a second link to the
    // same place is entered once.
    std::set<std::string> visited;
    std::vector<Folder> pending;
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        if (!it->empty())
            pending.push_back({*it, 0});
    }
    std::size_t foldersRead = 0;
    while (!pending.empty()) {
        Folder folder = std::move(pending.back());
        pending.pop_back();
        const std::optional<std::string> resolved = realPath(folder.path);
        if (!resolved || isInTrash(folder.path, resolved) || !visited.insert(*resolved).second)
            continue;
        if (++foldersRead > kMaxFolders) {
            result->m_incomplete = true;
            break;
        }
        const std::vector<std::string> names = entriesOf(folder.path);
        // Subfolders are pushed in reverse so that they are read in listing order.
        std::vector<Folder> below;
        for (const std::string& name : names) {
            const std::string path = platform::Path::appending(folder.path, name);
            bool isDirectory = false;
            if (!platform::FileSystem::fileExists(path, &isDirectory) || !isDirectory)
                continue;
            if (platform::Text::caseInsensitiveHasSuffix(name, ".app")) {
                const std::optional<std::string> bundlePath = realPath(path);
                if (!bundlePath || isInTrash(path, bundlePath) ||
                    !visited.insert(*bundlePath).second)
                    continue;
                if (result->m_applications.size() >= kMaxApplications) {
                    result->m_incomplete = true;
                    continue;
                }
                if (auto bundle = platform::Bundle::create(path))
                    result->m_applications.push_back(describe(*bundle));
            } else if (folder.depth < kMaxDepth) {
                below.push_back({path, folder.depth + 1});
            } else {
                result->m_incomplete = true;
            }
        }
        pending.insert(pending.end(), std::make_move_iterator(below.rbegin()),
                       std::make_move_iterator(below.rend()));
    }
    return result;
}
