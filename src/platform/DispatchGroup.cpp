#include "platform/DispatchGroup.h"

#include "platform/Deadline.h"

namespace platform {

namespace {

// Leaves the group when the last copy of a scheduled task is destroyed: after it has run, or
// when its queue throws it away unrun, so that a discarded task cannot leave the group waiting
// for ever.
class LeaveOnRelease {
public:
    explicit LeaveOnRelease(std::shared_ptr<DispatchGroup> group) : m_group(std::move(group)) {}
    LeaveOnRelease(const LeaveOnRelease&) = delete;
    LeaveOnRelease& operator=(const LeaveOnRelease&) = delete;
    ~LeaveOnRelease() { m_group->leave(); }

private:
    std::shared_ptr<DispatchGroup> m_group;
};

} // namespace

std::shared_ptr<DispatchGroup> DispatchGroup::create() {
    return std::shared_ptr<DispatchGroup>(new DispatchGroup());
}

void DispatchGroup::enter() {
    MutexLock lock(m_mutex);
    ++m_count;
}

void DispatchGroup::leave() {
    std::vector<Notification> due;
    {
        MutexLock lock(m_mutex);
        if (m_count == 0)
            return;
        if (--m_count > 0)
            return;
        due.swap(m_notifications);
        m_empty.notifyAll();
    }
    for (Notification& notification : due)
        notification.queue.async(std::move(notification.task));
}

void DispatchGroup::async(DispatchQueue& queue, Task task) {
    if (!task)
        return;
    enter();
    auto leave = std::make_shared<LeaveOnRelease>(shared_from_this());
    queue.async([task = std::move(task), leave = std::move(leave)]() mutable {
        task();
        // The task's captures go before the group is left, so that whoever waits for the group
        // finds them released.
        task = nullptr;
        leave.reset();
    });
}

void DispatchGroup::notify(DispatchQueue& queue, Task task) {
    if (!task)
        return;
    {
        MutexLock lock(m_mutex);
        if (m_count > 0) {
            m_notifications.push_back({QueueReference(queue), std::move(task)});
            return;
        }
    }
    QueueReference(queue).async(std::move(task));
}

bool DispatchGroup::wait(std::chrono::milliseconds timeout) {
    const auto deadline = deadlineAfter(timeout);
    MutexLock lock(m_mutex);
    while (m_count > 0) {
        if (!m_empty.waitUntil(lock, deadline))
            return m_count == 0;
    }
    return true;
}

} // namespace platform
