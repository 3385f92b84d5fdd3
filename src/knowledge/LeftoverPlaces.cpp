#include "knowledge/LeftoverPlaces.h"

#include <algorithm>
#include <array>

namespace {

// Shared whatever lies below them is: exactly these paths.
constexpr std::array<std::string_view, 37> kSharedPaths{
    // The user's own folders.
    "Documents", "Desktop", "Downloads", "Movies", "Music", "Pictures", "Public", "Templates",
    "Videos", "Applications", "AppImages", "bin",
    // The Library's folders that hold every application's items.
    "Library/Application Scripts", "Library/Group Containers", "Library/WebKit",
    "Library/HTTPStorages", "Library/Logs/DiagnosticReports", "Library/Services",
    "Library/Internet Plug-Ins", "Library/PreferencePanes",
    // The desktop's shared folders and files below the base-directory folders.
    ".local", ".local/bin", ".var", ".local/share/applications", ".local/share/Trash",
    ".local/share/flatpak", ".local/share/mime", ".local/share/fonts",
    ".local/share/recently-used.xbel", ".config/autostart", ".config/mimeapps.list",
    ".config/user-dirs.dirs", ".config/menus", ".cache/thumbnails",
    // Never an application's, whatever it is called: the Trash, keys and keyrings.
    ".Trash", ".ssh", ".gnupg"};

// Shared down to this many components below them: an icon theme's size and context
// folders ("icons/hicolor/48x48/apps"), the thumbnail sizes ("thumbnails/normal").
constexpr struct {
    std::string_view folder;
    int depth;
} kSharedTrees[] = {{".local/share/icons", 3}, {".icons", 3}, {".cache/thumbnails", 1}};

int componentCount(std::string_view rest) {
    return rest.empty() ? 0 : 1 + static_cast<int>(std::count(rest.begin(), rest.end(), '/'));
}

std::optional<std::string_view> below(std::string_view path, std::string_view folder) {
    if (!path.starts_with(folder))
        return std::nullopt;
    std::string_view rest = path.substr(folder.size());
    if (rest.empty())
        return rest;
    if (rest.front() != '/')
        return std::nullopt;
    return rest.substr(1);
}

} // namespace

const std::vector<LeftoverPlaces::Root>& LeftoverPlaces::roots() {
    static const std::vector<Root> roots{
        {"~/Library", "Library"},
        {"~/.config", ".config"},
        {"~/.cache", ".cache"},
        {"~/.local/share", ".local/share"},
        {"~/.local/state", ".local/state"},
        {"~/.var/app", ".var/app"},
    };
    return roots;
}

std::optional<LeftoverPlaces::Placed> LeftoverPlaces::placeWritten(std::string_view written) {
    for (const Root& root : roots()) {
        if (auto rest = below(written, root.written))
            return Placed{&root, *rest};
    }
    return std::nullopt;
}

std::optional<LeftoverPlaces::Placed> LeftoverPlaces::placeInHome(std::string_view path,
                                                                  std::string_view home) {
    while (home.size() > 1 && home.back() == '/')
        home.remove_suffix(1);
    if (home.empty() || !home.starts_with('/'))
        return std::nullopt;
    auto inHome = below(path, home == "/" ? std::string_view() : home);
    if (!inHome || inHome->empty())
        return std::nullopt;
    for (const Root& root : roots()) {
        if (auto rest = below(*inHome, root.below))
            return Placed{&root, *rest};
    }
    return std::nullopt;
}

bool LeftoverPlaces::isShared(std::string_view relative) {
    if (relative.empty())
        return true;
    for (const Root& root : roots()) {
        // The roots and the folders above them (".local" above ".local/share").
        if (root.below == relative ||
            (root.below.starts_with(relative) && root.below[relative.size()] == '/'))
            return true;
    }
    if (std::find(kSharedPaths.begin(), kSharedPaths.end(), relative) != kSharedPaths.end())
        return true;
    for (const auto& tree : kSharedTrees) {
        if (auto rest = below(relative, tree.folder))
            return componentCount(*rest) <= tree.depth;
    }
    return false;
}

std::optional<std::vector<std::string_view>>
LeftoverPlaces::sharedNamesIn(std::string_view folder) {
    // An item inside the folder is shared when it is one of the shared paths, or a shared
    // tree's folder, or a root or a folder above one; inside a tree, its depth decides.
    std::vector<std::string_view> names;
    const auto inside = [folder](std::string_view path) -> std::optional<std::string_view> {
        if (path.size() <= folder.size() + 1 || !path.starts_with(folder) ||
            path[folder.size()] != '/')
            return std::nullopt;
        return path.substr(folder.size() + 1);
    };
    const auto add = [&names](std::string_view name) {
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    };
    for (const Root& root : roots()) {
        if (auto rest = inside(root.below))
            add(rest->substr(0, rest->find('/')));
    }
    for (std::string_view path : kSharedPaths) {
        if (auto rest = inside(path); rest && rest->find('/') == std::string_view::npos)
            add(*rest);
    }
    for (const auto& tree : kSharedTrees) {
        if (below(folder, tree.folder))
            return std::nullopt;
        if (auto rest = inside(tree.folder); rest && rest->find('/') == std::string_view::npos)
            add(*rest);
    }
    return names;
}

std::string LeftoverPlaces::writtenList() {
    std::string list;
    for (const Root& root : roots())
        list += (list.empty() ? "" : ", ") + std::string(root.written);
    return list;
}
