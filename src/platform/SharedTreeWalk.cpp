#include "platform/SharedTreeWalk.h"

#include "platform/TreeWalk.h"

#include <unistd.h>

namespace platform {

namespace {

std::uint64_t linkKey(const TreeSize::LinkedFile& file) {
    return static_cast<std::uint64_t>(file.inode) ^
           (static_cast<std::uint64_t>(file.device) * 0x9E3779B97F4A7C15ull);
}

} // namespace

std::shared_ptr<SharedTreeWalk> SharedTreeWalk::create(int root, TreeSize::HelpWanted helpWanted) {
    if (root < 0)
        return nullptr;
    return std::shared_ptr<SharedTreeWalk>(new SharedTreeWalk(root, std::move(helpWanted)));
}

SharedTreeWalk::SharedTreeWalk(int root, TreeSize::HelpWanted helpWanted)
    : m_helpWanted(std::move(helpWanted)) {
    m_folders.push_back(root);
}

SharedTreeWalk::~SharedTreeWalk() {
    // Only a walk nobody joined still holds folders.
    for (int folder : m_folders)
        close(folder);
}

void SharedTreeWalk::join() {
    TreeWalk walk(this);
    MutexLock lock(m_lock);
    while (true) {
        if (!m_folders.empty()) {
            int folder = m_folders.front();
            m_folders.pop_front();
            ++m_busy;
            updateWanted();
            lock.unlock();
            walk.run(folder);
            lock.lock();
            addCounts(walk);
            walk.clearCounts();
            if (--m_busy == 0 && m_folders.empty())
                m_changed.notifyAll();
            continue;
        }
        if (m_busy == 0)
            return;
        ++m_waiting;
        updateWanted();
        while (m_folders.empty() && m_busy > 0)
            m_changed.wait(lock);
        --m_waiting;
        updateWanted();
    }
}

bool SharedTreeWalk::claimWaiter() {
    MutexLock lock(m_lock);
    if (m_wanted.load(std::memory_order_relaxed) <= 0)
        return false;
    ++m_claimed;
    updateWanted();
    return true;
}

void SharedTreeWalk::handOver(int folder) {
    MutexLock lock(m_lock);
    --m_claimed;
    if (folder >= 0) {
        m_folders.push_back(folder);
        ++m_handedOver;
        m_changed.notifyOne();
    }
    updateWanted();
}

void SharedTreeWalk::askForHelp() {
    if (m_helpWanted && !m_askedForHelp.exchange(true))
        m_helpWanted(shared_from_this());
}

// A linked file two walkers met counts at the first one to report.
void SharedTreeWalk::addCounts(const TreeWalk& walk) {
    m_total += walk.unlinkedBytes();
    for (const TreeSize::LinkedFile& file : walk.linkedFiles()) {
        if (!m_seenLinked.insert(linkKey(file)).second)
            continue;
        m_linkedFiles.push_back(file);
        m_total += file.bytes;
    }
}

// Walkers waiting beyond the folders already there or on their way.
void SharedTreeWalk::updateWanted() {
    m_wanted.store(static_cast<std::ptrdiff_t>(m_waiting) -
                       static_cast<std::ptrdiff_t>(m_folders.size() + m_claimed),
                   std::memory_order_relaxed);
}

std::uint64_t SharedTreeWalk::total() const {
    MutexLock lock(m_lock);
    return m_total;
}

TreeSize::LinkedFiles SharedTreeWalk::linkedFiles() const {
    MutexLock lock(m_lock);
    return m_linkedFiles;
}

std::size_t SharedTreeWalk::foldersHandedOver() const {
    MutexLock lock(m_lock);
    return m_handedOver;
}

} // namespace platform
