#pragma once

#include "search/StartStopTriggerListener.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

// A switch between paused (the initial state) and running that counts its runs: every
// stop increases `cycle`, so a loop started in one run can tell that its run is over.
// Repeated starts or stops do nothing.
class StartStopTrigger {
public:
    explicit StartStopTrigger(std::weak_ptr<StartStopTriggerListener> listener);

    StartStopTrigger(const StartStopTrigger&) = delete;
    StartStopTrigger& operator=(const StartStopTrigger&) = delete;

    void start();
    void stop();

    std::uint32_t cycle() const { return m_cycle.load(); }
    bool isPaused() const { return m_isPaused.load(); }

private:
    const std::weak_ptr<StartStopTriggerListener> m_pListener;
    std::recursive_mutex m_pTriggerLock;
    std::atomic<bool> m_isPaused{true};
    std::atomic<std::uint32_t> m_cycle{1};
};
