#pragma once

#include <string>

namespace platform {

// Fixed locations of the machine, redirectable for tests and the demo.
//
// SWEEPWISE_HOME replaces the user's home folder; SWEEPWISE_ROOT is put in front
// of every path the helper reads under the root folder (/Applications, /Volumes,
// the system version file). Without them the real paths are used.
class Environment {
public:
    static constexpr const char* kHomeVariable = "SWEEPWISE_HOME";
    static constexpr const char* kRootVariable = "SWEEPWISE_ROOT";

    // The redirected home folder, or empty when the real one applies.
    static std::string homeOverride();

    // `absolutePath` (which starts with "/") under the redirected root, if any.
    static std::string rootPath(const std::string& absolutePath);

    // The home folder: the override, else the user database's entry for the real
    // user, else $HOME, else "/". Never empty.
    static std::string homeDirectory();

    // The real user's login name from the user database, else $USER or $LOGNAME;
    // empty when none of them is known.
    static std::string userName();
};

} // namespace platform
