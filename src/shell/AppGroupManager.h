#pragma once

#include "platform/PlistValue.h"

#include <optional>
#include <string>
#include <string_view>

// The application group the helper shares with the main application: its
// preferences suite and its container.
//
// The suite is the property list ~/Library/Preferences/<group>.plist; the
// container is ~/Library/Group Containers/<group>, used only when it exists.
class AppGroupManager {
public:
    static constexpr const char* kGroupIdentifier = "K3WQ7TZ2PX.group.com.halvorn.Sweepwise-SIII";

    static AppGroupManager& GetInstance();

    const std::string& suiteName() const { return m_suiteName; }
    const std::string& preferencesPath() const { return m_preferencesPath; }

    // The suite's value for `key`, read afresh; none when the suite or key is missing.
    std::optional<platform::PlistValue> objectForKey(std::string_view key) const;

    // The group container, if it exists as a folder.
    std::optional<std::string> groupContainerPath() const;

    // The container's "Temp" folder, or the process's temporary folder when there
    // is no container.
    std::string getTemporaryDirectory() const;

private:
    AppGroupManager();

    std::string m_suiteName;
    std::string m_preferencesPath;
    std::string m_containerPath;
};
