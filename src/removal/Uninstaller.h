#pragma once

#include "platform/ItemStatus.h"
#include "removal/TrashMover.h"
#include "search/InstalledApplications.h"
#include "search/OfferSafetyPass.h"
#include "shell/PathForRemove.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

// Finishes an uninstall: takes the leftovers of a watcher message, checks each path
// again (the message is outside input), moves the chosen ones to the Trash and keeps a
// journal from which they can be put back.
//
// The check, before anything is shown and again before each move, takes only a path
// that is absolute and in its plain spelling, lies inside the home folder, is not in a
// Trash (the application already there stays where it is) nor holds one, passes the
// offer's safety pass (no shared folder, nothing inside or holding another installed
// application), and is reached without a symbolic link in any folder below the home
// folder. The item itself is moved as it is: a link is moved as the link.
class Uninstaller {
public:
    struct Item {
        enum class State { ToMove, InTrash, Gone, Refused };

        std::shared_ptr<PathForRemove> offered;
        State state{State::Refused};
        // Why it does not move; for ToMove, empty.
        std::string why;
        // For ToMove: the Trash it goes to.
        std::string trash;
        // What was at the path when checked; the move insists on the same item.
        std::optional<platform::ItemStatus> seen;

        const std::string& path() const { return offered->path(); }
    };

    struct Left {
        std::string path;
        std::string why;
    };

    struct Report {
        std::vector<TrashMover::Trashed> moved;
        // Not moved, though offered: refused, failed, or left unchecked.
        std::vector<Left> stayed;
        // Nothing to do: gone since the offer, or already in the Trash.
        std::vector<Left> passed;
        std::uint64_t freed{0};
        std::string journal;
        // Set when nothing could be done at all (no journal).
        std::string failure;
    };

    Uninstaller(TrashMover::Layout layout, std::string home,
                std::shared_ptr<const InstalledApplications> installed);

    // For the user: the current layout and home folder, and the installed applications.
    static Uninstaller current();

    std::vector<Item> plan(const std::vector<std::shared_ptr<PathForRemove>>& offered) const;

    // Moves the items in state ToMove whose `chosen` entry is true (all when `chosen` is
    // empty), one at a time, with a journal. Only one uninstall runs at a time: another
    // waits for it.
    Report run(const std::vector<Item>& items, const std::vector<bool>& chosen = {}) const;

    // Puts back what the journal at `journal` moved, newest first.
    static Report putBack(const std::string& journal);

    // The reason the path may not be moved; empty when it may. `checkedFolders` remembers
    // folders already found to be real folders.
    std::string refusal(const std::string& path,
                        std::unordered_set<std::string>* checkedFolders = nullptr) const;

private:
    std::string refusalOfFolders(const std::string& path,
                                 std::unordered_set<std::string>* checkedFolders) const;

    TrashMover m_mover;
    std::string m_home;
    std::vector<std::string> m_trashes;
    OfferSafetyPass m_safety;
};
