#pragma once

#include "platform/ConditionVariable.h"
#include "platform/DispatchQueue.h"
#include "platform/QueueReference.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

namespace platform {

// Counts outstanding pieces of work so that others can wait for all of them or be told when
// they are done. The group may be reused: once it is empty, new work starts a new round.
class DispatchGroup : public std::enable_shared_from_this<DispatchGroup> {
public:
    static std::shared_ptr<DispatchGroup> create();

    void enter() EXCLUDES(m_mutex);
    // A leave() without a matching enter() is ignored.
    void leave() EXCLUDES(m_mutex);

    // Runs `task` on `queue` as a piece of the group's work. The group is left when the task
    // is done, or when the queue discards it without running it.
    void async(DispatchQueue& queue, Task task);

    // Schedules `task` on `queue` once the group is next empty: at once when it is empty now.
    // Notifications run in the order they were registered.
    void notify(DispatchQueue& queue, Task task) EXCLUDES(m_mutex);

    // Waits until the group is empty; answers false when `timeout` passes first.
    bool wait(std::chrono::milliseconds timeout) EXCLUDES(m_mutex);

private:
    struct Notification {
        QueueReference queue;
        Task task;
    };

    DispatchGroup() = default;

    Mutex m_mutex;
    ConditionVariable m_empty;
    std::size_t m_count GUARDED_BY(m_mutex){0};
    std::vector<Notification> m_notifications GUARDED_BY(m_mutex);
};

} // namespace platform
