#pragma once

#include "platform/Mutex.h"
#include "platform/StringsTable.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// Looks texts up in the strings tables of a resource folder (a bundle's
// Contents/Resources), in the user's preferred language.
//
// The table Name of language L is the file <L>.lproj/<Name>.strings. For a preferred
// language such as "pt_BR" the folders "pt-BR.lproj", "pt_BR.lproj" and "pt.lproj" are
// tried in that order; after all preferred languages come "en" and "Base". The first
// of these files that reads as a valid table is the table: a missing or malformed file
// passes the turn to the next language. A key missing from that table gives the
// default value; it is not looked for in the tables of other languages.
//
// Tables are read once per resource folder and name (missing ones included) and kept
// until the preferred languages change. All operations are thread-safe.
class Localization {
public:
    explicit Localization(std::vector<std::string> preferredLanguages);

    // The process-wide instance, for the languages the environment names.
    static Localization& shared();

    std::string localizedString(const std::string& resourceFolder, std::string_view table,
                                std::string_view key, std::string_view defaultValue) const
        EXCLUDES(m_mutex);

    std::vector<std::string> preferredLanguages() const EXCLUDES(m_mutex);

    // Replaces the preferred languages and forgets every table read so far.
    void setPreferredLanguages(std::vector<std::string> languages) EXCLUDES(m_mutex);

private:
    using CacheKey = std::pair<std::string, std::string>;

    mutable Mutex m_mutex;
    std::vector<std::string> m_languages GUARDED_BY(m_mutex);
    std::uint64_t m_generation GUARDED_BY(m_mutex){0};
    mutable std::map<CacheKey, std::shared_ptr<const StringsTable>> m_tables GUARDED_BY(m_mutex);
};

} // namespace platform
