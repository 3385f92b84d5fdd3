#pragma once

#include "platform/DispatchQueue.h"

#include <memory>
#include <string>
#include <thread>

namespace platform {

// A queue that runs its tasks one at a time, in the order they were posted, on a thread of its
// own. A dedicated thread (rather than a turn on a shared pool) lets a task block or loop for a
// long time without holding up any other queue.
//
// Destroying the queue lets the tasks already posted run to the end and then joins the thread;
// a task must therefore not wait for the thread that releases the queue. When the last owner
// lets go inside one of the queue's own tasks, the remaining tasks still run and the thread is
// joined later by the process (see ThreadReaper).
class SerialQueue : public DispatchQueue {
public:
    // Answers nullptr when no thread can be started.
    static std::shared_ptr<SerialQueue> create(std::string label);
    ~SerialQueue() override;

    void async(Task task) override;
    bool isCurrent() const override;

private:
    struct State;

    SerialQueue(std::string label, std::shared_ptr<State> state);
    static void work(const std::shared_ptr<State>& state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace platform
