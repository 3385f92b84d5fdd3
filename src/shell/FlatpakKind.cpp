#include "shell/FlatpakKind.h"

#include "platform/Environment.h"
#include "platform/ItemStatus.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "search/AppDependencyGroup.h"
#include "shell/FlatpakInstallations.h"
#include "shell/PathsGenerator.h"

namespace {

using Folder = platform::Environment::UserFolder;
using Match = OfferReason::Match;

constexpr std::int32_t group(AppDependencyGroup group) {
    return static_cast<std::int32_t>(group);
}

std::string stringValue(const platform::Bundle& bundle, std::string_view key) {
    const platform::PlistValue* value = bundle.objectForInfoDictionaryKey(key);
    const std::string* text = value ? value->asString() : nullptr;
    return text ? *text : std::string();
}

std::string lastPart(const std::string& id) {
    return id.substr(id.rfind('.') + 1);
}

std::string relativeFolder(const std::string& folder, const std::string& home) {
    if (folder.size() > home.size() && folder.starts_with(home) && folder[home.size()] == '/')
        return "~" + folder.substr(home.size());
    return folder;
}

// An item of its own at `path`: there, and not a link.
std::optional<platform::ItemStatus> ownItem(const std::string& path) {
    auto status = platform::ItemStatus::of(path, platform::ItemStatus::Links::NoFollow);
    if (!status || status->symbolicLink)
        return std::nullopt;
    return status;
}

struct HostFolder {
    std::string path;
    std::string name;
    std::string place;
    std::string base;
    std::int32_t group;
};

// Where a writable [Context] entry lies on the host; none for a form not taken.
std::optional<HostFolder> hostFolder(const std::string& entry, const std::string& home) {
    const struct {
        const char* prefix;
        Folder folder;
        const char* place;
        AppDependencyGroup group;
    } bases[] = {{"xdg-config/", Folder::Config, "settings", AppDependencyGroup::Preferences},
                 {"xdg-data/", Folder::Data, "data", AppDependencyGroup::ApplicationSupport},
                 {"xdg-cache/", Folder::Cache, "cache", AppDependencyGroup::Caches},
                 {"xdg-state/", Folder::State, "state", AppDependencyGroup::ApplicationSupport}};
    for (const auto& base : bases) {
        if (entry.starts_with(base.prefix)) {
            const std::string folder = platform::Environment::userDirectory(base.folder);
            const std::string name = entry.substr(std::string_view(base.prefix).size());
            return HostFolder{platform::Path::appending(folder, name), name, base.place,
                              relativeFolder(folder, home), group(base.group)};
        }
    }
    if (entry.starts_with("~/.") && entry.size() > 3)
        return HostFolder{platform::Path::appending(home, entry.substr(2)), entry.substr(3),
                          "home folder entry", "~", group(AppDependencyGroup::ApplicationSupport)};
    return std::nullopt;
}

// Whether an installed Flatpak application other than `id` goes by `name` (its id's last
// part) or may write `entry` too.
bool usedByInstalled(const std::string& id, const std::string& name, const std::string& entry) {
    for (const auto& installation : FlatpakInstallations::all()) {
        const auto installed = FlatpakInstallations::installedApplications(installation.path);
        if (!installed)
            continue;
        for (const auto& [other, commit] : *installed) {
            if (other == id)
                continue;
            if (platform::Text::caseInsensitiveEquals(lastPart(other), name))
                return true;
            const FlatpakMemory::Record record =
                FlatpakMemory::readInstalled(other, installation.path, commit);
            if (platform::Text::caseInsensitiveEquals(record.name, name))
                return true;
            for (const std::string& folder : record.writableFolders) {
                if (folder == entry)
                    return true;
            }
        }
    }
    return false;
}

} // namespace

std::shared_ptr<platform::Bundle> FlatpakKind::applicationFor(const FlatpakMemory::Record& record) {
    platform::PlistValue::Dictionary info;
    info.emplace("CFBundleIdentifier", record.id);
    const std::string name = record.name.empty() ? lastPart(record.id) : record.name;
    info.emplace("CFBundleName", name);
    info.emplace("CFBundleDisplayName", name);
    // The panel and the searches name an application by its executable; a Flatpak
    // application's command runs inside its sandbox, so its name stands for it.
    info.emplace("CFBundleExecutable", name);
    info.emplace(std::string(kInstallationKey), record.installation);
    platform::PlistValue::Array folders;
    for (const std::string& folder : record.writableFolders)
        folders.emplace_back(folder);
    info.emplace(std::string(kWritableFoldersKey), platform::PlistValue(std::move(folders)));
    const std::string installation = record.installation.empty()
                                         ? FlatpakInstallations::userInstallation()
                                         : record.installation;
    return platform::Bundle::createDescribed(
        installation + "/app/" + record.id, platform::Bundle::Kind::Flatpak,
        platform::PlistValue(std::move(info)), record.iconData);
}

std::shared_ptr<platform::Bundle> FlatpakKind::applicationFor(const std::string& id) {
    return applicationFor(FlatpakMemory::Record{id, {}, {}, {}, {}, {}, 0});
}

std::vector<ApplicationKind::Place>
FlatpakKind::standardPlaces(const platform::Bundle& application) const {
    std::vector<Place> places;
    const std::string id = stringValue(application, "CFBundleIdentifier");
    if (!FlatpakInstallations::isValidId(id))
        return places;
    const std::string home = PathsGenerator::GetInstance().getHomeDirectory();

    const std::string sandboxes = platform::Path::appending(home, ".var/app");
    const std::string sandbox = platform::Path::appending(sandboxes, id);
    if (const auto status = ownItem(sandbox); status && status->directory)
        places.push_back(
            {sandbox, group(AppDependencyGroup::ApplicationSupport),
             OfferReason::otherKindPlace("sandbox data", "~/.var/app", Match::Identifier, id)});

    const std::string overrides =
        platform::Path::appending(FlatpakInstallations::userInstallation(), "overrides");
    const std::string override = platform::Path::appending(overrides, id);
    if (const auto status = ownItem(override); status && status->regularFile)
        places.push_back(
            {override, group(AppDependencyGroup::Preferences),
             OfferReason::otherKindPlace("permission overrides", relativeFolder(overrides, home),
                                         Match::Identifier, id)});

    const std::string name = stringValue(application, "CFBundleName");
    const platform::PlistValue* entries =
        application.objectForInfoDictionaryKey(kWritableFoldersKey);
    const platform::PlistValue::Array* list = entries ? entries->asArray() : nullptr;
    for (const platform::PlistValue& value : list ? *list : platform::PlistValue::Array{}) {
        const std::string* entry = value.asString();
        const auto folder = entry ? hostFolder(*entry, home) : std::nullopt;
        if (!folder || !ownItem(folder->path))
            continue;
        std::string bare = folder->name;
        if (bare.starts_with('.'))
            bare.erase(0, 1);
        const bool named = platform::Text::caseInsensitiveEquals(bare, name) ||
                           platform::Text::caseInsensitiveEquals(bare, lastPart(id));
        if (!named || usedByInstalled(id, bare, *entry))
            continue;
        places.push_back(
            {folder->path, folder->group,
             OfferReason::otherKindPlace(folder->place, folder->base, Match::Name, folder->name)});
    }
    return places;
}

bool FlatpakKind::anotherCopyInstalled(const platform::Bundle& application,
                                       std::chrono::steady_clock::time_point) const {
    return FlatpakInstallations::isInstalledAnywhere(
        stringValue(application, "CFBundleIdentifier"));
}
