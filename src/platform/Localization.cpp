#include "platform/Localization.h"

#include "platform/LocaleEnvironment.h"

#include <algorithm>

namespace platform {

namespace {

// The .lproj folder names to try, best first.
std::vector<std::string> folderCandidates(const std::vector<std::string>& languages) {
    std::vector<std::string> folders;
    auto add = [&folders](std::string name) {
        if (!name.empty() && std::find(folders.begin(), folders.end(), name) == folders.end())
            folders.push_back(std::move(name));
    };
    for (const std::string& language : languages) {
        const std::string name = LocaleEnvironment::localeName(language);
        const std::size_t separator = name.find_first_of("-_");
        if (separator != std::string::npos) {
            std::string dashed = name;
            dashed[separator] = '-';
            add(dashed);
            dashed[separator] = '_';
            add(dashed);
        }
        add(name.substr(0, separator));
    }
    add("en");
    add("Base");
    return folders;
}

std::shared_ptr<const StringsTable> loadTable(const std::string& resourceFolder,
                                              std::string_view table,
                                              const std::vector<std::string>& languages) {
    for (const std::string& folder : folderCandidates(languages)) {
        const std::string path =
            resourceFolder + "/" + folder + ".lproj/" + std::string(table) + ".strings";
        if (std::optional<StringsTable> strings = StringsTable::readFile(path))
            return std::make_shared<const StringsTable>(std::move(*strings));
    }
    return nullptr;
}

} // namespace

Localization::Localization(std::vector<std::string> preferredLanguages)
    : m_languages(std::move(preferredLanguages)) {}

Localization& Localization::shared() {
    static Localization instance(LocaleEnvironment::preferredLanguages());
    return instance;
}

std::vector<std::string> Localization::preferredLanguages() const {
    MutexLock lock(m_mutex);
    return m_languages;
}

void Localization::setPreferredLanguages(std::vector<std::string> languages) {
    MutexLock lock(m_mutex);
    m_languages = std::move(languages);
    m_tables.clear();
    ++m_generation;
}

std::string Localization::localizedString(const std::string& resourceFolder, std::string_view table,
                                          std::string_view key,
                                          std::string_view defaultValue) const {
    CacheKey cacheKey{resourceFolder, std::string(table)};
    std::shared_ptr<const StringsTable> strings;
    bool cached = false;
    std::vector<std::string> languages;
    std::uint64_t generation = 0;
    {
        MutexLock lock(m_mutex);
        auto it = m_tables.find(cacheKey);
        cached = it != m_tables.end();
        if (cached) {
            strings = it->second;
        } else {
            languages = m_languages;
            generation = m_generation;
        }
    }
    if (!cached) {
        // Tables are read outside the lock; when two threads race, the first table
        // stored wins. A table read for languages that changed meanwhile is used for
        // this answer only.
        strings = loadTable(resourceFolder, table, languages);
        MutexLock lock(m_mutex);
        if (generation == m_generation)
            strings = m_tables.try_emplace(std::move(cacheKey), strings).first->second;
    }
    if (strings) {
        if (std::optional<std::string> value = strings->lookup(key))
            return std::move(*value);
    }
    return std::string(defaultValue);
}

} // namespace platform
