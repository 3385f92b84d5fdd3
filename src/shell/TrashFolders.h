#pragma once

#include <optional>
#include <string>
#include <vector>

// Where trashed items lie. The user's Trash is the freedesktop home Trash's "files" folder
// (PathsGenerator::buildTrashDirectory); an item trashed from another mounted volume lands in
// that volume's own Trash instead: "<volume>/.Trash-<uid>/files", or "<volume>/.Trash/<uid>/files"
// where the administrator made a shared ".Trash" (a real folder, not a link, with the sticky
// bit). Beside each "files" folder, "info" holds one ".trashinfo" per trashed item.
//
// Every answer is computed afresh (volumes come and go) and any thread may ask.
class TrashFolders {
public:
    // The "files" folders of the mounted volumes' Trashes that the user may have, whether
    // they exist yet or not, without the home Trash; sorted.
    static std::vector<std::string> volumeTrashFolders();

    // The home Trash first, then volumeTrashFolders().
    static std::vector<std::string> all();

    // The Trash folder (one of all()) that holds `path` below it; none for a path outside
    // every Trash or for a Trash folder itself.
    static std::optional<std::string> trashFolderContaining(const std::string& path);

    // The folder a relative original location in this Trash's ".trashinfo" files is taken
    // from: the user's data folder for the home Trash, the volume's top folder for a volume's.
    static std::string baseFolderOf(const std::string& trashFolder);

    // Where the item at `path` (inside a Trash folder, at any depth) was before it was
    // trashed, from the ".trashinfo" of the Trash's top-level item holding it; none when the
    // path is in no Trash or the information is missing or unreadable.
    static std::optional<std::string> originalPathOf(const std::string& path);

    // Whether `path` is an application that a Trash renamed beyond the ".app" test
    // ("Foo.app_1", as trash-put names a second "Foo.app"): a real folder at the top level
    // of a Trash whose trash information says it was a ".app" folder.
    static bool isTrashedApplication(const std::string& path);

private:
    // The volume's Trash folders for `uid` under its top folder.
    static std::vector<std::string> trashFoldersOfVolume(const std::string& topFolder,
                                                         unsigned uid);
};
