#include "search/StartStopTrigger.h"

StartStopTrigger::StartStopTrigger(std::weak_ptr<StartStopTriggerListener> listener)
    : m_pListener(std::move(listener)) {}

void StartStopTrigger::start() {
    std::lock_guard lock(m_pTriggerLock);
    if (!m_isPaused.load())
        return;
    m_isPaused.store(false);
    if (auto listener = m_pListener.lock())
        listener->onTriggerStarted(*this);
}

void StartStopTrigger::stop() {
    std::lock_guard lock(m_pTriggerLock);
    if (m_isPaused.load())
        return;
    m_isPaused.store(true);
    m_cycle.fetch_add(1);
    if (auto listener = m_pListener.lock())
        listener->onTriggerStopped(*this);
}
