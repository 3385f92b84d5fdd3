#pragma once

#include "platform/ConditionVariable.h"
#include "platform/TreeSize.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_set>

namespace platform {

class TreeWalk;

// One folder's walk shared by every thread that joins it, so that a single huge leftover
// is measured on every core. Each walker walks a part (a subfolder and everything below
// it) on its own; while some walker waits for work, the others hand it the shallowest
// subfolders they have not entered yet. The counts of every part are added under one
// lock, where a file with several names met by two walkers is counted once, so the
// result is exactly what one walker alone would count.
//
// The thread that starts the measurement joins it first and asks for help once the walk
// proves large; helpers may join at any time, and one that comes after the end returns
// at once.
class SharedTreeWalk : public std::enable_shared_from_this<SharedTreeWalk> {
public:
    // Helpers are asked for only once the walk has entered this many folders: smaller
    // trees are measured before a helper would have started.
    static constexpr std::size_t kFoldersBeforeHelp = 64;

    // Takes `root`, an open folder, which the walk closes. `helpWanted` is called at
    // most once, from a walking thread, when the walk proves large.
    static std::shared_ptr<SharedTreeWalk> create(int root, TreeSize::HelpWanted helpWanted);
    ~SharedTreeWalk();

    SharedTreeWalk(const SharedTreeWalk&) = delete;
    SharedTreeWalk& operator=(const SharedTreeWalk&) = delete;

    // Walks parts until nothing is left to walk and no other walker is busy: when it
    // returns the measurement is complete.
    void join() EXCLUDES(m_lock);

    // The result so far; final once join() returned.
    std::uint64_t total() const EXCLUDES(m_lock);
    TreeSize::LinkedFiles linkedFiles() const EXCLUDES(m_lock);
    // How many subfolders walkers handed to one another.
    std::size_t foldersHandedOver() const EXCLUDES(m_lock);

    // For the walkers: whether someone waits for a folder to walk.
    bool wantsFolders() const { return m_wanted.load(std::memory_order_relaxed) > 0; }
    // Claims the need of one waiting walker, so that no two walkers hand it a folder:
    // false when nobody waits unserved. Each claim is followed by one handOver().
    bool claimWaiter() EXCLUDES(m_lock);
    // Takes an open folder to be walked by whoever asks next; -1 when the folder meant
    // for the claimed walker could not be opened.
    void handOver(int folder) EXCLUDES(m_lock);
    void askForHelp();

private:
    SharedTreeWalk(int root, TreeSize::HelpWanted helpWanted);

    void addCounts(const TreeWalk& walk) REQUIRES(m_lock);
    void updateWanted() REQUIRES(m_lock);

    mutable Mutex m_lock;
    ConditionVariable m_changed;
    std::deque<int> m_folders GUARDED_BY(m_lock);
    std::size_t m_busy GUARDED_BY(m_lock){0};
    std::size_t m_waiting GUARDED_BY(m_lock){0};
    std::size_t m_claimed GUARDED_BY(m_lock){0};
    // Written under the lock, read without it by walkers deciding whether to split.
    std::atomic<std::ptrdiff_t> m_wanted{0};
    std::size_t m_handedOver GUARDED_BY(m_lock){0};

    std::uint64_t m_total GUARDED_BY(m_lock){0};
    TreeSize::LinkedFiles m_linkedFiles GUARDED_BY(m_lock);
    std::unordered_set<std::uint64_t> m_seenLinked GUARDED_BY(m_lock);

    TreeSize::HelpWanted m_helpWanted;
    std::atomic<bool> m_askedForHelp{false};
};

} // namespace platform
