#pragma once

#include <string>

class MacOSVersion;

// Whether the helper may read protected folders of the user, tested by listing
// one of them (the home folder's Library/Safari). Evaluated afresh on every call.
class FullDiskAccessManager {
public:
    static bool fullAccessGranted();
    // The same test against a given system version.
    static bool fullAccessGranted(const MacOSVersion& version);
    static std::string fullDiskAccessUrl();
    static const std::string& probeDirectory();

    bool fullDiskAccessGranted() const { return fullAccessGranted(); }
};
