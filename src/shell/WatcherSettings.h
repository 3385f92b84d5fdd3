#pragma once

#include <optional>
#include <string>

// Identifiers shared by the helper and the main application, and the login-item
// registration of the helper (an XDG autostart entry in the home folder).
class WatcherSettings {
public:
    static WatcherSettings& GetInstance();

    std::string getMainAppBundleID() const { return "com.halvorn.Sweepwise-SIII"; }
    std::string getHelperAppBundleID() const { return "com.halvorn.Sweepwise-SIII-Helper"; }

    // Registers or removes the helper as a login item. The main application calls
    // this; the helper found in its bundle's Contents/Library/LoginItems is started.
    bool enableHelperInLoginItems(bool enabled) const;
    // The same for a given helper executable (used by the main-application side
    // when it is not run from its bundle, and by tests).
    bool enableHelperInLoginItems(bool enabled, const std::string& helperExecutable) const;

    // ~/.config/autostart/<helper identifier>.desktop
    std::string loginItemEntryPath() const;
    std::optional<std::string> helperExecutableInMainBundle() const;

private:
    WatcherSettings() = default;
};
