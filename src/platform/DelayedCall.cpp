#include "platform/DelayedCall.h"

#include "platform/Deadline.h"
#include "platform/DelayedCallTimer.h"
#include "platform/TimeScale.h"

#include <utility>

namespace platform {

std::shared_ptr<DelayedCall> DelayedCall::after(std::chrono::milliseconds delay,
                                                DispatchQueue& queue, Task task) {
    if (!task)
        return nullptr;
    DelayedCallTimer* timer = DelayedCallTimer::shared();
    if (!timer)
        return nullptr;
    auto deadline = deadlineAfter(std::chrono::duration<double, std::milli>(delay) * timeScale());
    std::shared_ptr<DelayedCall> call(
        new DelayedCall(deadline, timer->nextSequence(), queue, std::move(task)));
    timer->schedule(call);
    return call;
}

DelayedCall::DelayedCall(std::chrono::steady_clock::time_point deadline, std::uint64_t sequence,
                         DispatchQueue& queue, Task task)
    : m_deadline(deadline), m_sequence(sequence), m_queue(queue), m_task(std::move(task)) {}

void DelayedCall::cancel() {
    State expected = State::Pending;
    if (!m_state.compare_exchange_strong(expected, State::Cancelled))
        return;
    if (DelayedCallTimer* timer = DelayedCallTimer::shared())
        timer->remove({m_deadline, m_sequence});
    Task released = std::exchange(m_task, nullptr);
}

void DelayedCall::fire() {
    bool handedOver = m_queue.async([self = shared_from_this()] { self->runIfPending(); });
    if (handedOver)
        return;
    State expected = State::Pending;
    if (m_state.compare_exchange_strong(expected, State::Claimed))
        Task released = std::exchange(m_task, nullptr);
}

void DelayedCall::runIfPending() {
    State expected = State::Pending;
    if (!m_state.compare_exchange_strong(expected, State::Claimed))
        return;
    Task task = std::exchange(m_task, nullptr);
    task();
}

} // namespace platform
