#pragma once

#include "platform/ItemStatus.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Moves items to the freedesktop Trash of their own volume, and puts them back.
//
// An item on the home folder's volume goes to the home Trash ($XDG_DATA_HOME/Trash); an
// item on another mounted volume to "<top>/.Trash/<uid>" when the administrator's
// "<top>/.Trash" is a real folder with the sticky bit, else to "<top>/.Trash-<uid>",
// made with mode 0700. A move is always one rename(2) inside one volume, done in this
// order, so that a kill at any moment leaves the item either where it was or in the
// Trash with its information:
//
//   1. "info/<name>.trashinfo" is created with O_EXCL (a taken name gets the next free
//      one: "<name>_2", "<name>_3", ...), holding the percent-encoded original Path
//      (absolute in the home Trash, relative to the volume's top folder in a volume's)
//      and the DeletionDate;
//   2. the item is renamed to "files/<name>", never replacing anything there;
//   3. if the rename fails, the ".trashinfo" is removed and the item stays.
//
// Nothing is ever copied, and no item of the user's is ever unlinked. Where no Trash on
// the item's own volume can be used, the item stays and the answer says why. No state
// beyond the layout; any thread.
class TrashMover {
public:
    struct Layout {
        // The home Trash: the folder holding "files" and "info".
        std::string homeTrash;
        // The top folders of the mounted volumes (a volume's Trash lives in its top).
        std::vector<std::string> volumeTops;
        std::uint32_t uid{0};

        // The user's: $XDG_DATA_HOME/Trash (sandbox-aware) and the mounted volumes.
        static Layout current();
    };

    // Where an item goes: the Trash folder and the folder its Path= is relative to
    // (empty for the home Trash, whose paths are absolute).
    struct Target {
        std::string trash;
        std::string top;
    };

    // One item in a Trash.
    struct Trashed {
        std::string original;
        std::string trash;
        // Its name in "files" (and, with ".trashinfo", in "info").
        std::string name;
        std::uint64_t size{0};
        bool folder{false};

        std::string filesPath() const;
        std::string infoPath() const;
    };

    struct Outcome {
        enum class Kind { Moved, Stayed, Gone };
        Kind kind{Kind::Stayed};
        Trashed trashed;
        std::string why;
    };

    // Called once the ".trashinfo" is written, before the rename; false stops the move
    // (the information is removed and the item stays).
    using BeforeRename = std::function<bool(const Trashed&)>;

    explicit TrashMover(Layout layout) : m_layout(std::move(layout)) {}

    const Layout& layout() const { return m_layout; }

    // The Trash folders a run has already made sure of, so that each is made (when
    // missing) and checked once per run rather than once per item.
    using PreparedTrashes = std::set<std::string>;

    // The Trash for the item at `path` (which must exist): none, with the reason in `why`,
    // when its volume has no Trash this user can use. With `create`, the Trash's folders
    // are made when missing, unless `prepared` holds it already (it is added).
    std::optional<Target> targetFor(const std::string& path, bool create, std::string* why,
                                    PreparedTrashes* prepared = nullptr) const;

    // Moves the item at `path`. With `expected`, the item must still be that one (same
    // device, inode and kind); otherwise it stays ("changed since it was shown"). Gone
    // when nothing is at `path` any more. The size, the space the item takes as `du -B1`
    // counts it, is measured just before the rename.
    Outcome move(const std::string& path, const std::optional<platform::ItemStatus>& expected,
                 const BeforeRename& beforeRename = {}, PreparedTrashes* prepared = nullptr) const;

    // Renames a trashed item back to its original path when that is free (never
    // replacing anything), making the folders above it when missing, then removes its
    // ".trashinfo". Moved when it is back; Gone when it is no longer in the Trash.
    static Outcome putBack(const Trashed& item);

    // Adds the folders among `added` to the Trash's "directorysizes" cache and drops the
    // entries of names that are no longer in its "files" folder, writing the file anew
    // and renaming it into place.
    static bool updateDirectorySizes(const std::string& trash, const std::vector<Trashed>& added);

    // The path as a .trashinfo holds it: every byte but the unreserved ones and "/"
    // written as %XX.
    static std::string encodePath(std::string_view path);
    // The reverse of encodePath(); none for a broken escape or an escaped NUL.
    static std::optional<std::string> decodePath(std::string_view text);
    // "YYYY-MM-DDThh:mm:ss" in local time.
    static std::string deletionDate(std::time_t when);

private:
    std::optional<Target> findTarget(const std::string& path, bool create, std::string* why,
                                     const PreparedTrashes* prepared) const;

    Layout m_layout;
};
