#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Where Flatpak applications are installed, and which are. An installation is a folder
// holding app/<id>/<arch>/<branch>/<commit> for each deployed commit, with "active" in each
// branch folder and "current" in each application folder being links to the deployed
// commit and the current branch. The per-user installation is $XDG_DATA_HOME/flatpak, the
// system one /var/lib/flatpak, and more may be named by [Installation "name"] groups with
// Path= in /etc/flatpak/installations.d/*.conf (fixed paths lie under the sandbox root).
//
// Everything here only reads, bounded, and never follows a link out of the application's
// own folder. Any thread.
class FlatpakInstallations {
public:
    // More application folders than this in one installation are not looked at.
    static constexpr std::size_t kMaxApplications = 20000;
    // Configuration files larger than this are not read.
    static constexpr std::size_t kMaxConfigBytes = 64 * 1024;

    struct Installation {
        std::string path;
        bool user{false};
    };

    // The per-user installation first, then the system one, then the configured ones in
    // the order of their files' names; each once.
    static std::vector<Installation> all();
    static std::string userInstallation();

    // The installation paths named by the text of one installations.d file.
    static std::vector<std::string> pathsInConfig(std::string_view text);

    // Whether `id` can be an application id: two or more dot-separated components of
    // ASCII letters, digits, "_" and "-", none starting with a digit, at most 255 bytes.
    static bool isValidId(std::string_view id);

    // The deployed commit folder of `id` in `installation`: "current" followed to its
    // branch and the branch's "active" to a folder that holds "metadata", all inside
    // app/<id>; else the first other branch that has one (a second branch keeps the
    // application installed). None when the application is not installed there.
    static std::optional<std::string> deployedCommit(const std::string& installation,
                                                     const std::string& id);

    // The ids installed in `installation`, each with its deployed commit folder; none when
    // the installation's folder is not there (not made yet, or its volume is gone), which
    // tells "nothing known" from "nothing installed".
    static std::optional<std::map<std::string, std::string>>
    installedApplications(const std::string& installation);

    // Whether `id` is installed in any installation now.
    static bool isInstalledAnywhere(const std::string& id);
};
