#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/FolderVisits.h"
#include "platform/Path.h"
#include "platform/Programs.h"
#include "shell/PathsGenerator.h"
#include "shell/Workspace.h"

#include <algorithm>

namespace {

bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

class SystemWorkspace final : public Workspace {
public:
    explicit SystemWorkspace(std::string programSearchPath)
        : m_programSearchPath(std::move(programSearchPath)) {}

    std::vector<RunningApplication>
    runningApplicationsWithBundleIdentifier(const std::string&) override {
        // Which of our programs run is known only on the session bus, where each owns
        // its bundle identifier as a name; the session-bus workspace that replaces
        // this one answers it. Without it, no application counts as running.
        return {};
    }

    std::vector<std::string>
    allApplicationPathsForBundleIdentifier(const std::string& bundleIdentifier) override {
        std::vector<std::string> found;
        scanApplicationFolders(bundleIdentifier, found, Stop::AfterAll);
        return found;
    }

    std::optional<std::string>
    absolutePathForAppBundleWithIdentifier(const std::string& bundleIdentifier) override {
        std::vector<std::string> found;
        scanApplicationFolders(bundleIdentifier, found, Stop::AfterFirst);
        if (found.empty())
            return std::nullopt;
        return found.front();
    }

    bool openFile(const std::string& path, const std::string& appPath, Deactivation) override {
        if (path.empty() || appPath.empty())
            return false;
        std::optional<std::string> executable = executableOf(appPath);
        if (!executable)
            return false;
        if (path == appPath || path == *executable)
            return platform::Programs::startDetached({*executable});
        return platform::Programs::startDetached({*executable, path});
    }

    bool openURL(const std::string& url) override {
        // An address that starts like an option would be taken as one.
        if (url.empty() || url.front() == '-')
            return false;
        std::optional<std::string> opener = findProgram("xdg-open");
        return opener && platform::Programs::startDetached({*opener, url});
    }

private:
    enum class Stop { AfterFirst, AfterAll };

    static std::optional<std::string> executableOf(const std::string& appPath) {
        bool isDirectory = false;
        if (!platform::FileSystem::fileExists(appPath, &isDirectory))
            return std::nullopt;
        if (!isDirectory)
            return platform::Programs::isExecutableFile(appPath) ? std::optional(appPath)
                                                                 : std::nullopt;
        auto bundle = platform::Bundle::create(appPath);
        std::optional<std::string> executable = bundle ? bundle->executablePath() : std::nullopt;
        if (!executable || !platform::Programs::isExecutableFile(*executable))
            return std::nullopt;
        return executable;
    }

    std::optional<std::string> findProgram(const std::string& name) const {
        return platform::Programs::find(name, m_programSearchPath);
    }

    static void scanApplicationFolders(const std::string& bundleIdentifier,
                                       std::vector<std::string>& found, Stop stop) {
        if (bundleIdentifier.empty())
            return;
        const PathsGenerator& paths = PathsGenerator::GetInstance();
        platform::FolderVisits visits;
        for (const std::string& folder :
             {paths.buildSystemApplicationsDirectory(), paths.buildUserApplicationsDirectory()}) {
            if (visits.enter(folder) &&
                !scanFolder(folder, 1, bundleIdentifier, visits, found, stop))
                return;
        }
    }

    // False once the scan is to stop. Links are followed, to bundles and to folders
    // alike; `visits` keeps a folder reached twice from being scanned twice.
    static bool scanFolder(const std::string& folder, int depth,
                           const std::string& bundleIdentifier, platform::FolderVisits& visits,
                           std::vector<std::string>& found, Stop stop) {
        auto names = platform::FileSystem::contentsOfDirectory(folder);
        if (!names)
            return true;
        std::sort(names->begin(), names->end());
        for (const std::string& name : *names) {
            std::string path = platform::Path::appending(folder, name);
            bool isDirectory = false;
            if (!platform::FileSystem::fileExists(path, &isDirectory) || !isDirectory)
                continue;
            const std::string extension = platform::Path::extension(name);
            if (extension == "app") {
                auto bundle = platform::Bundle::create(path);
                std::optional<std::string> identifier =
                    bundle ? bundle->bundleIdentifier() : std::nullopt;
                if (identifier && equalsIgnoringAsciiCase(*identifier, bundleIdentifier)) {
                    found.push_back(path);
                    if (stop == Stop::AfterFirst)
                        return false;
                }
                continue;
            }
            if (platform::FileSystem::isPackageExtension(extension) || depth >= kMaxScanDepth ||
                !visits.enter(path))
                continue;
            if (!scanFolder(path, depth + 1, bundleIdentifier, visits, found, stop))
                return false;
        }
        return true;
    }

    std::string m_programSearchPath;
};

} // namespace

std::shared_ptr<Workspace> Workspace::createSystemWorkspace(std::string programSearchPath) {
    return std::make_shared<SystemWorkspace>(std::move(programSearchPath));
}
