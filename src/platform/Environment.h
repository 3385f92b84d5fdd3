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
    static constexpr const char* kNoFullDiskAccessVariable = "SWEEPWISE_NO_FULL_DISK_ACCESS";

    // The redirected home folder, or empty when the real one applies.
    static std::string homeOverride();

    // `absolutePath` (which starts with "/") under the redirected root, if any.
    static std::string rootPath(const std::string& absolutePath);

    // The home folder: the override, else $HOME (when absolute), else the user
    // database's entry for the real user, else "/". Never empty.
    static std::string homeDirectory();

    // Where the user's data files live: with the home override, its
    // ".local/share" (the sandbox never reaches outside); else $XDG_DATA_HOME when
    // absolute, else the home folder's ".local/share".
    static std::string userDataDirectory();

    // The user's folders of the base-directory rules, found as userDataDirectory() finds
    // the data folder: $XDG_CONFIG_HOME (".config"), $XDG_CACHE_HOME (".cache") and
    // $XDG_STATE_HOME (".local/state").
    enum class UserFolder { Data, Config, Cache, State };
    static std::string userDirectory(UserFolder folder);

    // Whether the sandbox withholds Full Disk Access (SWEEPWISE_NO_FULL_DISK_ACCESS
    // set to anything but "" or "0"), so that tests can start the helper in the mode
    // without it even as root, whom no folder permission stops.
    static bool fullDiskAccessWithheld();

    // The real user's login name from the user database, else $USER or $LOGNAME;
    // empty when none of them is known.
    static std::string userName();

    // The real user's numeric identity, which names the user's own Trash on other volumes.
    static unsigned userId();
};

} // namespace platform
