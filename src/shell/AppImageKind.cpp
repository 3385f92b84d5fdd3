#include "shell/AppImageKind.h"

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/ItemStatus.h"
#include "platform/Path.h"
#include "search/AppDependencyGroup.h"
#include "shell/AppImageReader.h"
#include "shell/DesktopEntry.h"
#include "shell/LinuxDesktopPlaces.h"
#include "shell/PathsGenerator.h"
#include "shell/TrashFolders.h"

#include <algorithm>

namespace {

using Folder = platform::Environment::UserFolder;
using Match = OfferReason::Match;

constexpr std::size_t kMaxCopiesRead = 64;

constexpr std::int32_t group(AppDependencyGroup group) {
    return static_cast<std::int32_t>(group);
}
constexpr std::int32_t kSupport = group(AppDependencyGroup::ApplicationSupport);
constexpr std::int32_t kCaches = group(AppDependencyGroup::Caches);
constexpr std::int32_t kPreferences = group(AppDependencyGroup::Preferences);
constexpr std::int32_t kLoginItems = group(AppDependencyGroup::LoginItems);
constexpr const char* kThumbnailSizes[] = {"normal", "large", "x-large", "xx-large"};

std::string stringValue(const platform::Bundle& bundle, std::string_view key) {
    const platform::PlistValue* value = bundle.objectForInfoDictionaryKey(key);
    const std::string* text = value ? value->asString() : nullptr;
    return text ? *text : std::string();
}

bool exists(const std::string& path) {
    return platform::ItemStatus::of(path, platform::ItemStatus::Links::NoFollow).has_value();
}

std::string withoutDesktopSuffix(std::string name) {
    if (name.ends_with(".desktop"))
        name.resize(name.size() - 8);
    return name;
}

// The program's name, without its folder; a generic runner names nothing.
std::string executableOf(const std::string& exec) {
    std::string program = platform::Path::lastComponent(DesktopEntry::programOfExec(exec));
    return LinuxDesktopPlaces::isGenericName(program) ? std::string() : program;
}

// Names that cannot name a file leave the identifier to the next candidate.
bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string relativeFolder(const std::string& folder) {
    const std::string home = PathsGenerator::GetInstance().getHomeDirectory();
    if (folder.size() > home.size() && folder.starts_with(home) && folder[home.size()] == '/')
        return "~" + folder.substr(home.size());
    return folder;
}

} // namespace

std::vector<std::string> AppImageKind::applicationFolders() {
    const std::string home = PathsGenerator::GetInstance().getHomeDirectory();
    return {platform::Path::appending(home, "Applications"),
            platform::Path::appending(home, "AppImages"),
            platform::Path::appending(home, ".local/bin"), platform::Environment::rootPath("/opt")};
}

bool AppImageKind::mayBeApplicationAt(const std::string& path) const {
    return AppImageReader::hasAppImageMagic(path);
}

std::shared_ptr<platform::Bundle> AppImageKind::applicationAt(const std::string& path) const {
    if (!AppImageReader::hasAppImageMagic(path))
        return nullptr;
    const AppImageIdentity identity = AppImageReader::read(path);
    const std::string original = TrashFolders::originalPathOf(path).value_or(path);
    const std::string fileName = platform::Path::lastComponent(original);

    std::string identifier;
    for (const std::string& candidate :
         {identity.appStreamId, withoutDesktopSuffix(identity.desktopFileName),
          AppImageReader::nameFromFileName(fileName)}) {
        if (isPlainName(candidate)) {
            identifier = candidate;
            break;
        }
    }
    platform::PlistValue::Dictionary info;
    info.emplace("CFBundleIdentifier", identifier);
    info.emplace(std::string(kOriginalPathKey), original);
    info.emplace(std::string(kImageReadKey), identity.imageRead);
    if (identity.imageRead) {
        info.emplace("CFBundleName", identity.name);
        info.emplace("CFBundleDisplayName",
                     identity.appImageName.empty() ? identity.name : identity.appImageName);
        info.emplace("CFBundleExecutable", executableOf(identity.exec));
        info.emplace(std::string(kStartupWMClassKey), identity.startupWMClass);
        info.emplace(std::string(kAppStreamIdKey), identity.appStreamId);
        info.emplace(std::string(kAppImageNameKey), identity.appImageName);
    } else {
        // Without its image the file's name is all there is; it names nothing on disk.
        info.emplace("CFBundleName", AppImageReader::nameFromFileName(fileName));
        info.emplace("CFBundleExecutable", std::string());
    }
    return platform::Bundle::createDescribed(path, kind(), platform::PlistValue(std::move(info)),
                                             identity.iconData);
}

std::vector<ApplicationKind::Place>
AppImageKind::standardPlaces(const platform::Bundle& application) const {
    std::vector<Place> places;
    const std::string original = stringValue(application, kOriginalPathKey);
    const std::string data = platform::Environment::userDirectory(Folder::Data);
    const std::string config = platform::Environment::userDirectory(Folder::Config);
    const std::string cache = platform::Environment::userDirectory(Folder::Cache);
    const std::string state = platform::Environment::userDirectory(Folder::State);

    if (!original.empty() && original.front() == '/') {
        // What desktop-integration tools made for the file, named by the MD5 of its URI.
        const std::string md5 = LinuxDesktopPlaces::md5Hex(LinuxDesktopPlaces::fileUri(original));
        const std::string why = "MD5 of " + LinuxDesktopPlaces::fileUri(original);
        const std::string applications = platform::Path::appending(data, "applications");
        const std::string entryPrefix = "appimagekit_" + md5 + "-";
        const std::string iconPrefix = "appimagekit_" + md5 + "_";
        if (auto names = platform::FileSystem::contentsOfDirectory(applications)) {
            std::sort(names->begin(), names->end());
            for (const std::string& name : *names) {
                if (name.starts_with(entryPrefix) && name.ends_with(".desktop"))
                    places.push_back(
                        {platform::Path::appending(applications, name), kSupport,
                         OfferReason::otherKindPlace("menu entry", relativeFolder(applications),
                                                     Match::None, why)});
            }
        }
        // Icons lie in <theme>/<size>/apps.
        const std::string icons = platform::Path::appending(data, "icons");
        for (const std::string& theme : platform::FileSystem::contentsOfDirectory(icons).value_or(
                 std::vector<std::string>{})) {
            const std::string themePath = platform::Path::appending(icons, theme);
            for (const std::string& size :
                 platform::FileSystem::contentsOfDirectory(themePath).value_or(
                     std::vector<std::string>{})) {
                const std::string apps =
                    platform::Path::appending(platform::Path::appending(themePath, size), "apps");
                auto names = platform::FileSystem::contentsOfDirectory(apps);
                if (!names || platform::FileSystem::isSymbolicLink(themePath))
                    continue;
                std::sort(names->begin(), names->end());
                for (const std::string& name : *names) {
                    if (name.starts_with(iconPrefix))
                        places.push_back({platform::Path::appending(apps, name), kSupport,
                                          OfferReason::otherKindPlace("icon", relativeFolder(apps),
                                                                      Match::None, why)});
                }
            }
        }
        for (const char* size : kThumbnailSizes) {
            const std::string folder =
                platform::Path::appending(platform::Path::appending(cache, "thumbnails"), size);
            const std::string path = platform::Path::appending(folder, md5 + ".png");
            if (exists(path))
                places.push_back({path, kCaches,
                                  OfferReason::otherKindPlace("thumbnail", relativeFolder(folder),
                                                              Match::None, why)});
        }
        // Entries that start the file from where it was, whoever made them.
        const std::string runs = "runs " + original;
        LinuxDesktopPlaces::forEachDesktopEntry(applications, 4, [&](const std::string& path) {
            if (LinuxDesktopPlaces::entryRuns(path, original))
                places.push_back(
                    {path, kSupport,
                     OfferReason::otherKindPlace(
                         "menu entry", relativeFolder(platform::Path::deletingLastComponent(path)),
                         Match::None, runs)});
        });
        const std::string autostart = platform::Path::appending(config, "autostart");
        LinuxDesktopPlaces::forEachDesktopEntry(autostart, 0, [&](const std::string& path) {
            if (LinuxDesktopPlaces::entryRuns(path, original))
                places.push_back(
                    {path, kLoginItems,
                     OfferReason::otherKindPlace("autostart entry", relativeFolder(autostart),
                                                 Match::None, runs)});
        });
    }

    // An image that could not be read gives no names worth a folder.
    const platform::PlistValue* read = application.objectForInfoDictionaryKey(kImageReadKey);
    if (!read || !read->asBoolean().value_or(false))
        return places;
    struct Named {
        std::string name;
        Match match;
    };
    std::vector<Named> named{{stringValue(application, kAppStreamIdKey), Match::Identifier},
                             {stringValue(application, "CFBundleName"), Match::Name},
                             {stringValue(application, "CFBundleDisplayName"), Match::Name},
                             {stringValue(application, kStartupWMClassKey), Match::Name},
                             {stringValue(application, "CFBundleExecutable"), Match::Executable}};
    const struct {
        const std::string& folder;
        const char* place;
        std::int32_t group;
    } xdgFolders[] = {{config, "settings", kPreferences},
                      {cache, "cache", kCaches},
                      {data, "data", kSupport},
                      {state, "state", kSupport}};
    for (const Named& entry : named) {
        for (const std::string& spelling : LinuxDesktopPlaces::folderNamesFor({entry.name})) {
            for (const auto& xdg : xdgFolders) {
                const std::string path = platform::Path::appending(xdg.folder, spelling);
                if (exists(path))
                    places.push_back(
                        {path, xdg.group,
                         OfferReason::otherKindPlace(xdg.place, relativeFolder(xdg.folder),
                                                     entry.match, spelling)});
            }
        }
    }
    return places;
}

bool AppImageKind::anotherCopyInstalled(const platform::Bundle& application,
                                        std::chrono::steady_clock::time_point deadline) const {
    const std::string identifier = stringValue(application, "CFBundleIdentifier");
    const std::string appStreamId = stringValue(application, kAppStreamIdKey);
    const std::string appImageName = stringValue(application, kAppImageNameKey);
    const std::string name = stringValue(application, "CFBundleName");
    const std::string original = stringValue(application, kOriginalPathKey);
    const auto timeLeft = [&] { return std::chrono::steady_clock::now() < deadline; };

    // Menu entries installed by packages, Flatpak or integration tools.
    const std::string home = PathsGenerator::GetInstance().getHomeDirectory();
    std::vector<std::string> entryFolders{
        platform::Path::appending(platform::Environment::userDirectory(Folder::Data),
                                  "applications"),
        platform::Path::appending(platform::Environment::userDirectory(Folder::Data),
                                  "flatpak/exports/share/applications"),
        platform::Environment::rootPath("/usr/share/applications"),
        platform::Environment::rootPath("/usr/local/share/applications"),
        platform::Environment::rootPath("/var/lib/flatpak/exports/share/applications")};
    bool found = false;
    for (const std::string& folder : entryFolders) {
        if (found || !timeLeft())
            break;
        LinuxDesktopPlaces::forEachDesktopEntry(folder, 4, [&](const std::string& path) {
            if (found || !timeLeft())
                return;
            const std::string base = withoutDesktopSuffix(platform::Path::lastComponent(path));
            const auto entry = DesktopEntry::readFile(path);
            if (!entry || entry->value("Hidden") == "true")
                return;
            // The removed file's own entries are leftovers, and an entry whose program is
            // gone starts nothing.
            const std::string program =
                DesktopEntry::programOfExec(entry->value("Exec").value_or(""));
            if (program == original ||
                (program.starts_with('/') && !platform::FileSystem::fileExists(program)))
                return;
            const std::string entryName = entry->value("Name").value_or("");
            const std::string entryAppImageName = entry->value("X-AppImage-Name").value_or("");
            found =
                (!identifier.empty() && base == identifier) ||
                (!appStreamId.empty() && base == appStreamId) ||
                (!appImageName.empty() && entryAppImageName == appImageName) ||
                (!name.empty() && entryName == name && !LinuxDesktopPlaces::isGenericName(name));
        });
    }
    if (found)
        return true;

    // Other AppImages kept where AppImages are installed.
    std::size_t read = 0;
    for (const std::string& folder : applicationFolders()) {
        std::vector<std::pair<std::string, int>> pending{{folder, 0}};
        while (!pending.empty() && timeLeft() && read < kMaxCopiesRead) {
            auto [current, depth] = std::move(pending.back());
            pending.pop_back();
            for (const std::string& entry :
                 platform::FileSystem::contentsOfDirectory(current).value_or(
                     std::vector<std::string>{})) {
                const std::string path = platform::Path::appending(current, entry);
                const auto status =
                    platform::ItemStatus::of(path, platform::ItemStatus::Links::NoFollow);
                if (!status || path == application.bundlePath() ||
                    PathsGenerator::GetInstance().pathInTrash(path))
                    continue;
                if (status->directory && depth < 2) {
                    pending.emplace_back(path, depth + 1);
                    continue;
                }
                if (!status->regularFile || !AppImageReader::hasAppImageMagic(path) ||
                    read++ >= kMaxCopiesRead || !timeLeft())
                    continue;
                const AppImageIdentity other = AppImageReader::read(path);
                if ((!appStreamId.empty() && other.appStreamId == appStreamId) ||
                    (!appImageName.empty() && other.appImageName == appImageName))
                    return true;
            }
        }
    }
    return false;
}
