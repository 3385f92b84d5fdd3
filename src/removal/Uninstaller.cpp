#include "removal/Uninstaller.h"

#include "platform/Environment.h"
#include "platform/FileMoves.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "removal/UninstallFaultPoint.h"
#include "removal/UninstallJournal.h"

#include <algorithm>
#include <map>
#include <set>

using platform::Path;

namespace {

bool isInsideOrSame(const std::string& path, const std::string& folder) {
    return path == folder || OfferSafetyPass::isInside(path, folder);
}

// Holds the lock that lets one uninstall (or putting back) run at a time, across
// programs; another waits for it.
class RunLock {
public:
    RunLock() : m_lock(lockPath()) {}

private:
    // In the journals' folder, made when missing.
    static std::string lockPath() {
        platform::FileSystem::createDirectory(UninstallJournal::folder(), true);
        return UninstallJournal::folder() + "/.lock";
    }
    platform::FileLock m_lock;
};

} // namespace

Uninstaller::Uninstaller(TrashMover::Layout layout, std::string home,
                         std::shared_ptr<const InstalledApplications> installed)
    : m_mover(std::move(layout)),
      m_home(OfferSafetyPass::normalizedPath(home).value_or(std::string())),
      // No identifier and no names: every installed application is another one, and
      // only what the path itself says counts.
      m_safety(std::nullopt, {}, std::string(), m_home, std::move(installed)) {
    const TrashMover::Layout& trashes = m_mover.layout();
    m_trashes.push_back(trashes.homeTrash);
    const std::string user = std::to_string(trashes.uid);
    for (const std::string& top : trashes.volumeTops) {
        m_trashes.push_back(Path::appending(top, ".Trash-" + user));
        m_trashes.push_back(Path::appending(Path::appending(top, ".Trash"), user));
    }
}

Uninstaller Uninstaller::current() {
    return Uninstaller(TrashMover::Layout::current(), platform::Environment::homeDirectory(),
                       InstalledApplications::scan());
}

std::string Uninstaller::refusalOfFolders(const std::string& path,
                                          std::unordered_set<std::string>* checkedFolders) const {
    // Every folder from the one below the home folder down to the item's own must be a
    // real folder: a link would lead the move somewhere else than the path says.
    std::vector<std::string> folders;
    for (std::string folder = Path::deletingLastComponent(path);
         OfferSafetyPass::isInside(folder, m_home); folder = Path::deletingLastComponent(folder)) {
        if (checkedFolders && checkedFolders->count(folder))
            break;
        folders.push_back(folder);
    }
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
        const auto status =
            platform::ItemStatus::of(*folder, platform::ItemStatus::Links::NoFollow);
        if (!status)
            return {}; // Gone: the item's own examination says so.
        if (status->symbolicLink)
            return "reached through the symbolic link " + *folder;
        if (!status->directory)
            return {};
        if (checkedFolders)
            checkedFolders->insert(*folder);
    }
    return {};
}

std::string Uninstaller::refusal(const std::string& path,
                                 std::unordered_set<std::string>* checkedFolders) const {
    const std::optional<std::string> normal = OfferSafetyPass::normalizedPath(path);
    if (!normal || *normal != path)
        return "not a plain absolute path";
    for (const std::string& trash : m_trashes) {
        if (isInsideOrSame(trash, path))
            return "a Trash, or a folder holding one";
        if (OfferSafetyPass::isInside(path, trash) &&
            !OfferSafetyPass::isInside(path, trash + "/files"))
            return "part of a Trash";
    }
    if (m_home.empty() || !OfferSafetyPass::isInside(path, m_home))
        return "outside the home folder";
    OfferSafetyPass::Verdict verdict = m_safety.check({path, OfferReason{}});
    if (!verdict.accepted())
        return verdict.why;
    return refusalOfFolders(path, checkedFolders);
}

std::vector<Uninstaller::Item>
Uninstaller::plan(const std::vector<std::shared_ptr<PathForRemove>>& offered) const {
    std::vector<Item> items;
    items.reserve(offered.size());
    std::set<std::string> seen;
    std::unordered_set<std::string> checkedFolders;
    for (const auto& entry : offered) {
        if (!entry)
            continue;
        Item item;
        item.offered = entry;
        const std::string& path = entry->path();
        bool inTrash = false;
        for (const std::string& trash : m_trashes)
            inTrash = inTrash || OfferSafetyPass::isInside(path, trash + "/files");
        if (!seen.insert(path).second) {
            item.why = "listed twice";
        } else if (inTrash && OfferSafetyPass::normalizedPath(path) == path) {
            item.state = Item::State::InTrash;
            item.why = "already in the Trash";
        } else if (item.why = refusal(path, &checkedFolders); item.why.empty()) {
            item.seen = platform::ItemStatus::of(path, platform::ItemStatus::Links::NoFollow);
            std::string why;
            std::optional<TrashMover::Target> target;
            if (!item.seen) {
                item.state = Item::State::Gone;
                item.why = "no longer there";
            } else if (target = m_mover.targetFor(path, false, &why); !target) {
                item.why = why;
            } else {
                item.state = Item::State::ToMove;
                item.trash = target->trash;
            }
        }
        items.push_back(std::move(item));
    }
    return items;
}

Uninstaller::Report Uninstaller::run(const std::vector<Item>& items,
                                     const std::vector<bool>& chosen) const {
    Report report;
    auto isChosen = [&](std::size_t index) {
        return chosen.empty() || (index < chosen.size() && chosen[index]);
    };
    RunLock lock;
    bool anything = false;
    for (std::size_t index = 0; index < items.size(); ++index)
        anything = anything || (items[index].state == Item::State::ToMove && isChosen(index));
    // An uninstall that was stopped halfway may have left information without its item.
    if (std::optional<std::string> last = anything ? UninstallJournal::newest() : std::nullopt)
        UninstallJournal::repair(*last);
    std::optional<UninstallJournal> journal =
        anything ? UninstallJournal::create(&report.failure) : std::nullopt;
    if (anything && !journal)
        return report;
    if (journal)
        report.journal = journal->path();

    std::set<std::string> movedFolders;
    std::map<std::string, std::vector<TrashMover::Trashed>> byTrash;
    std::unordered_set<std::string> checkedFolders;
    TrashMover::PreparedTrashes prepared;
    for (std::size_t index = 0; index < items.size(); ++index) {
        const Item& item = items[index];
        const std::string& path = item.path();
        switch (item.state) {
        case Item::State::InTrash:
        case Item::State::Gone:
            report.passed.push_back({path, item.why});
            continue;
        case Item::State::Refused:
            report.stayed.push_back({path, item.why});
            continue;
        case Item::State::ToMove:
            break;
        }
        if (!isChosen(index)) {
            report.stayed.push_back({path, "left unchecked"});
            continue;
        }
        std::string within;
        for (std::string folder = Path::deletingLastComponent(path);
             within.empty() && OfferSafetyPass::isInside(folder, m_home);
             folder = Path::deletingLastComponent(folder)) {
            if (movedFolders.count(folder))
                within = folder;
        }
        if (!within.empty()) {
            report.passed.push_back({path, "moved with " + within});
            continue;
        }
        // The file system may have changed since the window was shown.
        if (std::string why = refusal(path, &checkedFolders); !why.empty()) {
            report.stayed.push_back({path, why});
            continue;
        }
        TrashMover::Outcome outcome = m_mover.move(
            path, item.seen,
            [&journal](const TrashMover::Trashed& trashed) {
                return journal->recordMoving(trashed);
            },
            &prepared);
        switch (outcome.kind) {
        case TrashMover::Outcome::Kind::Moved:
            journal->recordMoved(outcome.trashed);
            UninstallFaultPoint::reach("journaled");
            report.freed += outcome.trashed.size;
            if (outcome.trashed.folder)
                movedFolders.insert(path);
            byTrash[outcome.trashed.trash].push_back(outcome.trashed);
            report.moved.push_back(std::move(outcome.trashed));
            break;
        case TrashMover::Outcome::Kind::Gone:
            report.passed.push_back({path, outcome.why});
            break;
        case TrashMover::Outcome::Kind::Stayed:
            report.stayed.push_back({path, outcome.why});
            break;
        }
    }
    for (const auto& [trash, moved] : byTrash)
        TrashMover::updateDirectorySizes(trash, moved);
    return report;
}

Uninstaller::Report Uninstaller::putBack(const std::string& journal) {
    Report report;
    report.journal = journal;
    RunLock lock;
    UninstallJournal::repair(journal);
    std::optional<std::vector<TrashMover::Trashed>> items = UninstallJournal::read(journal);
    if (!items) {
        report.failure = "cannot read " + journal;
        return report;
    }
    std::set<std::string> trashes;
    for (auto item = items->rbegin(); item != items->rend(); ++item) {
        TrashMover::Outcome outcome = TrashMover::putBack(*item);
        switch (outcome.kind) {
        case TrashMover::Outcome::Kind::Moved:
            report.freed += item->size;
            trashes.insert(item->trash);
            report.moved.push_back(*item);
            break;
        case TrashMover::Outcome::Kind::Gone:
            report.passed.push_back({item->original, outcome.why});
            break;
        case TrashMover::Outcome::Kind::Stayed:
            report.stayed.push_back({item->original, outcome.why});
            break;
        }
    }
    for (const std::string& trash : trashes)
        TrashMover::updateDirectorySizes(trash, {});
    return report;
}
