#pragma once

#include "platform/Mutex.h"
#include "search/StartStopTriggerListener.h"

#include <atomic>
#include <cstdint>
#include <memory>

// A switch between paused (the initial state) and running that counts its runs: every
// stop increases `cycle`, so a loop started in one run can tell that its run is over.
// Repeated starts or stops do nothing.
class StartStopTrigger {
public:
    explicit StartStopTrigger(std::weak_ptr<StartStopTriggerListener> listener);

    StartStopTrigger(const StartStopTrigger&) = delete;
    StartStopTrigger& operator=(const StartStopTrigger&) = delete;

    void start() EXCLUDES(m_transition);
    void stop() EXCLUDES(m_transition);

    std::uint32_t cycle() const { return m_cycle.load(); }
    bool isPaused() const { return m_isPaused.load(); }

private:
    const std::weak_ptr<StartStopTriggerListener> m_pListener;
    // Makes each change of state one step (a stop flips the state and counts the cycle
    // together). The state itself is atomic, so that it can be read without the lock.
    platform::Mutex m_transition;
    std::atomic<bool> m_isPaused{true};
    std::atomic<std::uint32_t> m_cycle{1};
};
