#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

using Task = std::function<void()>;

// A place to run tasks: the main queue, a serial queue or the global concurrent queue.
//
// Empty tasks are ignored. A task must not throw: on a queue's own thread an escaping exception
// ends the process. Queues owned through std::shared_ptr (serial queues) are
// reached weakly by delayed calls and group notifications, so work aimed at a queue that has
// been destroyed is dropped instead of keeping the queue alive.
class DispatchQueue : public std::enable_shared_from_this<DispatchQueue> {
public:
    virtual ~DispatchQueue();

    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

    // Schedules `task` and returns at once.
    virtual void async(Task task) = 0;

    // Runs `task` on this queue and waits until it has run. Called from a task of this very
    // queue (or, for the main queue, from the main thread) it runs the task inline instead of
    // waiting for itself. If the queue discards the task without running it (the global queue
    // during process exit), sync returns without running it.
    void sync(Task task);

    // Whether the calling thread is running this queue's tasks right now (for the main queue:
    // whether it is the main thread).
    virtual bool isCurrent() const = 0;

    const std::string& label() const { return m_label; }

protected:
    explicit DispatchQueue(std::string label);

private:
    const std::string m_label;
};

} // namespace platform
