#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where in the home folder an application's leftovers may lie, and which folders there
// are shared by every application and the user and so are never leftovers themselves.
// One list, asked by the knowledge base's path policy (what a record may name and a rule
// may walk), by kbtool when it checks a document, and by the offer's safety pass.
//
// The roots: the Library of a bundle's platform, the four folders of the base-directory
// rules at their usual places, and the sandboxes of sandboxed Linux applications.
class LeftoverPlaces {
public:
    struct Root {
        // As documents write it: "~/Library", "~/.config", ...
        std::string_view written;
        // Below the home folder: "Library", ".config", ...
        std::string_view below;
    };
    static const std::vector<Root>& roots();

    // A path inside one of the roots: the root and the part of the path below it ("" for
    // the root itself).
    struct Placed {
        const Root* root;
        std::string_view rest;
    };
    // For a path as a document writes it ("~/.config/foo").
    static std::optional<Placed> placeWritten(std::string_view written);
    // For an absolute path, the roots taken inside `home`.
    static std::optional<Placed> placeInHome(std::string_view path, std::string_view home);

    // Whether `relative`, a plain path below the home folder without leading or trailing
    // "/", is a folder or file shared by every application or the user's own: the roots and
    // the folders above them, the desktop's menu, icon theme, thumbnail and autostart
    // folders, the user's own folders, and the like.
    static bool isShared(std::string_view relative);
    // The names of the items directly inside `folder` (a plain path below the home folder,
    // as for isShared()) for which isShared() holds, so that the question need not be
    // asked for each item; none when that depends on more than the name (inside a shared
    // tree).
    static std::optional<std::vector<std::string_view>> sharedNamesIn(std::string_view folder);

    // The roots' text for messages: "~/Library, ~/.config, ...".
    static std::string writtenList();
};
