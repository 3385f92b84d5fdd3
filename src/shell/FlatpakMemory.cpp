#include "shell/FlatpakMemory.h"

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/ItemStatus.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "shell/DesktopEntry.h"
#include "shell/FlatpakInstallations.h"
#include "shell/KeyFileLines.h"
#include "shell/WatcherSettings.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace {

constexpr const char* kListName = "applications.json";
constexpr const char* kIconSuffix = ".icon";
constexpr const char* kIconSizes[] = {"64x64", "128x128", "96x96", "48x48", "256x256", "32x32"};

// A small regular file, not reached through a link.
std::string smallFile(const std::string& path, std::size_t maxBytes) {
    const auto status = platform::ItemStatus::of(path, platform::ItemStatus::Links::NoFollow);
    if (!status || !status->regularFile || status->size > maxBytes)
        return {};
    return platform::FileSystem::readFile(path, maxBytes).value_or(std::string());
}

std::string trimmed(std::string_view text) {
    return std::string(platform::Text::trimmedBlanks(text));
}

// The name one component below a base, or empty: "foo" of "foo", not of "foo/bar", "..".
bool isSingleName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

std::string iconPath(const std::string& id) {
    return platform::Path::appending(FlatpakMemory::folder(), id + kIconSuffix);
}

} // namespace

std::vector<std::string> FlatpakMemory::writableFolders(std::string_view metadata) {
    std::vector<std::string> folders;
    bool inContext = false;
    KeyFileLines::forEach(metadata, [&](const KeyFileLines::Line& line) {
        if (line.isHeader) {
            inContext = line.header == "[Context]";
            return;
        }
        if (!inContext || line.key != "filesystems")
            return;
        std::string_view value = line.value;
        while (!value.empty()) {
            const auto semicolon = value.find(';');
            std::string entry = trimmed(value.substr(0, semicolon));
            value = semicolon == std::string_view::npos ? std::string_view()
                                                        : value.substr(semicolon + 1);
            // "!" takes access away; ":ro" gives no writing.
            if (entry.empty() || entry.starts_with('!') || entry.ends_with(":ro"))
                continue;
            for (const char* mode : {":rw", ":create"}) {
                if (entry.ends_with(mode))
                    entry.resize(entry.size() - std::string_view(mode).size());
            }
            while (entry.size() > 1 && entry.back() == '/')
                entry.pop_back();
            std::string normal;
            for (const char* base : {"xdg-config/", "xdg-data/", "xdg-cache/", "xdg-state/"}) {
                if (entry.starts_with(base) &&
                    isSingleName(entry.substr(std::string_view(base).size())))
                    normal = entry;
            }
            for (const char* base : {"~/.", "home/."}) {
                const std::string rest =
                    entry.starts_with(base) ? entry.substr(std::string_view(base).size()) : "";
                if (isSingleName(rest))
                    normal = "~/." + rest;
            }
            if (!normal.empty() &&
                std::find(folders.begin(), folders.end(), normal) == folders.end())
                folders.push_back(std::move(normal));
        }
    });
    return folders;
}

FlatpakMemory::Record FlatpakMemory::readInstalled(const std::string& id,
                                                   const std::string& installation,
                                                   const std::string& commit) {
    Record record{id, installation, commit, {}, {}, {}, 0};
    const std::string share = platform::Path::appending(commit, "export/share");
    const std::string entryPath =
        platform::Path::appending(share, "applications/" + id + ".desktop");
    std::string icon = id;
    if (auto entry = DesktopEntry::parse(smallFile(entryPath, DesktopEntry::kMaxBytes))) {
        record.name = entry->value("Name").value_or(std::string());
        // An entry may name any icon of the theme; only the application's own are its.
        const std::string named = entry->value("Icon").value_or(std::string());
        if (named.starts_with(id) && isSingleName(named) &&
            (named.size() == id.size() || named[id.size()] == '.' || named[id.size()] == '-'))
            icon = named;
    }
    if (record.name.empty() || record.name.find('\0') != std::string::npos)
        record.name = platform::Path::lastComponent(id.substr(id.rfind('.') + 1));
    for (const char* size : kIconSizes) {
        record.iconData =
            smallFile(platform::Path::appending(share, std::string("icons/hicolor/") + size +
                                                           "/apps/" + icon + ".png"),
                      kMaxIconBytes);
        if (!record.iconData.empty())
            break;
    }
    if (record.iconData.empty())
        record.iconData = smallFile(
            platform::Path::appending(share, "icons/hicolor/scalable/apps/" + icon + ".svg"),
            kMaxIconBytes);
    record.writableFolders = writableFolders(
        smallFile(platform::Path::appending(commit, "metadata"), kMaxMetadataBytes));
    return record;
}

void FlatpakMemory::markUninstalled(const std::string& id) {
    std::uint64_t last = 0;
    std::vector<std::pair<std::uint64_t, std::string>> uninstalled;
    for (const auto& [known, record] : m_records) {
        last = std::max(last, record.uninstalled);
        if (record.uninstalled != 0 && known != id)
            uninstalled.emplace_back(record.uninstalled, known);
    }
    if (const auto found = m_records.find(id); found != m_records.end())
        found->second.uninstalled = last + 1;
    std::sort(uninstalled.begin(), uninstalled.end());
    for (std::size_t index = 0; index + kMaxUninstalled < uninstalled.size() + 1; ++index)
        m_records.erase(uninstalled[index].second);
}

std::string FlatpakMemory::folder() {
    return platform::Path::appending(
        platform::Path::appending(
            platform::Environment::userDirectory(platform::Environment::UserFolder::Cache),
            WatcherSettings::GetInstance().getHelperAppBundleID()),
        "flatpak");
}

FlatpakMemory FlatpakMemory::load() {
    FlatpakMemory memory;
    const auto text = platform::FileSystem::readFile(platform::Path::appending(folder(), kListName),
                                                     kMaxListBytes);
    if (!text)
        return memory;
    const nlohmann::json document = nlohmann::json::parse(*text, nullptr, false);
    if (!document.is_object() || !document.contains("applications") ||
        !document["applications"].is_array()) {
        platform::Log::warning(
            platform::Log::Component::Shell,
            "the remembered Flatpak applications cannot be read; starting afresh");
        return memory;
    }
    for (const nlohmann::json& item : document["applications"]) {
        const auto string = [&](const char* key) {
            return item.is_object() && item.contains(key) && item[key].is_string()
                       ? item[key].get<std::string>()
                       : std::string();
        };
        Record record{
            string("id"), string("installation"), string("commit"), string("name"), {}, {}, 0};
        if (item.is_object() && item.contains("uninstalled") &&
            item["uninstalled"].is_number_unsigned())
            record.uninstalled = item["uninstalled"].get<std::uint64_t>();
        if (!FlatpakInstallations::isValidId(record.id) || record.installation.empty())
            continue;
        if (item.contains("writable") && item["writable"].is_array()) {
            for (const nlohmann::json& folder : item["writable"]) {
                if (folder.is_string())
                    record.writableFolders.push_back(folder.get<std::string>());
            }
        }
        record.iconData = smallFile(iconPath(record.id), kMaxIconBytes);
        memory.m_savedIcons.emplace(record.id, record.iconData);
        memory.m_records.emplace(record.id, std::move(record));
    }
    return memory;
}

bool FlatpakMemory::save() {
    const std::string where = folder();
    if (!platform::FileSystem::createDirectory(where, true))
        return false;
    nlohmann::json applications = nlohmann::json::array();
    bool saved = true;
    for (const auto& [id, record] : m_records) {
        applications.push_back({{"id", id},
                                {"installation", record.installation},
                                {"commit", record.commit},
                                {"name", record.name},
                                {"writable", record.writableFolders},
                                {"uninstalled", record.uninstalled}});
        const auto known = m_savedIcons.find(id);
        if (known != m_savedIcons.end() && known->second == record.iconData)
            continue;
        if (record.iconData.empty())
            platform::FileSystem::removeFile(iconPath(id));
        else
            saved =
                platform::FileSystem::writeFileAtomically(iconPath(id), record.iconData, 0600) &&
                saved;
        m_savedIcons[id] = record.iconData;
    }
    for (auto it = m_savedIcons.begin(); it != m_savedIcons.end();) {
        if (m_records.contains(it->first)) {
            ++it;
            continue;
        }
        platform::FileSystem::removeFile(iconPath(it->first));
        it = m_savedIcons.erase(it);
    }
    const nlohmann::json document{{"version", 1}, {"applications", applications}};
    // Names come from outside and may hold bytes that are not UTF-8: replaced, not refused.
    const std::string text =
        document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return platform::FileSystem::writeFileAtomically(platform::Path::appending(where, kListName),
                                                     text, 0600) &&
           saved;
}
