#include "search/StartStopTrigger.h"

StartStopTrigger::StartStopTrigger(std::weak_ptr<StartStopTriggerListener> listener)
    : m_pListener(std::move(listener)) {}

void StartStopTrigger::start() {
    std::uint32_t cycle = 0;
    {
        platform::MutexLock lock(m_transition);
        if (!m_isPaused.load())
            return;
        m_isPaused.store(false);
        cycle = m_cycle.load();
    }
    if (auto listener = m_pListener.lock())
        listener->onTriggerStarted(*this, cycle);
}

void StartStopTrigger::stop() {
    {
        platform::MutexLock lock(m_transition);
        if (m_isPaused.load())
            return;
        m_isPaused.store(true);
        m_cycle.fetch_add(1);
    }
    if (auto listener = m_pListener.lock())
        listener->onTriggerStopped(*this);
}
