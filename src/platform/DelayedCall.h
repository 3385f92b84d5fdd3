#pragma once

#include "platform/DispatchQueue.h"
#include "platform/QueueReference.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

namespace platform {

// A task scheduled to run on a queue after a delay, which can be cancelled until it starts.
// The delay is multiplied by the process's time scale (TimeScale.h) when the call is made.
// Dropping the returned handle does not cancel the call.
//
// All delayed calls share one timer thread, which sleeps until the earliest deadline. Calls are
// handed to their queues in the order of their deadlines (calls with the same deadline in the
// order they were made). Once a call has run or been cancelled, its task is released, so a task
// may safely capture whoever keeps the handle.
class DelayedCall : public std::enable_shared_from_this<DelayedCall> {
public:
    // Answers nullptr for an empty task or when the timer thread cannot be started.
    static std::shared_ptr<DelayedCall> after(std::chrono::milliseconds delay, DispatchQueue& queue,
                                              Task task);

    // Makes sure the task never runs, even when it is already waiting on its queue; a call
    // whose task has started is not affected.
    void cancel();

    // Whether cancel() stopped the call before it started.
    bool isCancelled() const { return m_state.load() == State::Cancelled; }

private:
    friend class DelayedCallTimer;

    enum class State { Pending, Claimed, Cancelled };

    DelayedCall(std::chrono::steady_clock::time_point deadline, std::uint64_t sequence,
                DispatchQueue& queue, Task task);

    // Called by the timer thread at the deadline: hands the task to its queue, or drops it when
    // the queue no longer exists.
    void fire();
    void runIfPending();

    const std::chrono::steady_clock::time_point m_deadline;
    const std::uint64_t m_sequence;
    const QueueReference m_queue;
    std::atomic<State> m_state{State::Pending};
    // Touched only by whoever moves m_state away from Pending.
    Task m_task;
};

} // namespace platform
