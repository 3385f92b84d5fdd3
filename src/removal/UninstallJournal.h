#pragma once

#include "platform/FileMoves.h"
#include "removal/TrashMover.h"

#include <optional>
#include <string>
#include <vector>

// What one uninstall moved to the Trash, kept in the main application's data folder
// (~/Library/Application Support/Sweepwise/Uninstalls, one file per uninstall, named by
// its UTC time) so that it can be put back later, from the window or the command line.
//
// A line of tab-separated fields, paths percent-encoded as in a .trashinfo, is appended
// before each rename ("moving": original, Trash, name) and after it ("moved": name, size,
// whether a folder), each line in one write. A kill between the two leaves a "moving" line
// whose item is either in the Trash or still in place; reading takes every "moving" line,
// and putting back skips what is not in the Trash.
class UninstallJournal {
public:
    static std::string folder();

    // A new journal; none, with the reason, when it cannot be made.
    static std::optional<UninstallJournal> create(std::string* why);
    // The newest journal, if any.
    static std::optional<std::string> newest();

    const std::string& path() const { return m_path; }

    bool recordMoving(const TrashMover::Trashed& item) const;
    bool recordMoved(const TrashMover::Trashed& item) const;

    // The items of the journal at `path`, in the order they were moved; none when it
    // cannot be read. Lines that do not parse are skipped.
    static std::optional<std::vector<TrashMover::Trashed>> read(const std::string& path);

    // Removes the ".trashinfo" files that an interrupted uninstall left without their
    // item: a "moving" line without "moved", whose item is not in the Trash. Answers how
    // many were removed.
    static int repair(const std::string& path);

private:
    // With `finished`: for each item, whether its "moved" line was written.
    static std::optional<std::vector<TrashMover::Trashed>> read(const std::string& path,
                                                                std::vector<bool>* finished);

    UninstallJournal(std::string path, platform::AppendOnlyFile file)
        : m_path(std::move(path)), m_file(std::move(file)) {}

    std::string m_path;
    // Open for appending while the uninstall runs.
    platform::AppendOnlyFile m_file;
};
