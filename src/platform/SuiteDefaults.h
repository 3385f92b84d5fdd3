#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// The user defaults of one application suite: the property list
// <home>/Library/Preferences/<suite>.plist (XML or binary), in the home folder the
// Environment names. Every read goes to the file, so changes made by the owning
// application are seen at once. A missing, unreadable or damaged file reads as empty
// defaults. Files are read and written through PropertyList, with its limits, and
// replaced atomically.
class SuiteDefaults {
public:
    static constexpr const char* appAppearanceTypeValueKey = "AppAppearanceTypeValueKey";

    // None for a name that cannot be a file name ("", ".", "..", or one with "/").
    static std::shared_ptr<SuiteDefaults> create(const std::string& suiteName);

    const std::string& suiteName() const { return m_suiteName; }
    const std::string& path() const { return m_path; }

    // The whole number under `key`: an integer, a real (truncated), a boolean
    // (0 or 1) or a text that starts with a decimal number; none otherwise.
    std::optional<std::int64_t> integerForKey(const std::string& key) const;

    // Stores the number, keeping the other keys; false when the file exists but
    // is not a property list dictionary (it is left alone) or cannot be written.
    bool setInteger(std::int64_t value, const std::string& key);

    std::int64_t appAppearanceTypeValue() const {
        return integerForKey(appAppearanceTypeValueKey).value_or(0);
    }
    bool setAppAppearanceTypeValue(std::int64_t value) {
        return setInteger(value, appAppearanceTypeValueKey);
    }

private:
    SuiteDefaults(std::string suiteName, std::string path)
        : m_suiteName(std::move(suiteName)), m_path(std::move(path)) {}

    std::string m_suiteName;
    std::string m_path;
};

} // namespace platform
