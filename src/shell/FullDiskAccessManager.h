#pragma once

#include <string>

class MacOSVersion;

// Whether the helper may read protected folders of the user, tested by listing the one
// it needs: the Trash folder (the home Trash's "files"). The sandbox can withhold access
// (Environment::fullDiskAccessWithheld). Evaluated afresh on every call.
class FullDiskAccessManager {
public:
    static bool fullAccessGranted();
    // The same test against a given system version.
    static bool fullAccessGranted(const MacOSVersion& version);
    static std::string fullDiskAccessUrl();
    static const std::string& probeDirectory();

    bool fullDiskAccessGranted() const { return fullAccessGranted(); }
};
