#pragma once

#include "platform/ConditionVariable.h"
#include "platform/Mutex.h"
#include "search/ObjectProcessorThreadManager.h"
#include "search/ObjectProcessorWorker.h"
#include "search/StartStopTrigger.h"
#include "search/StartStopTriggerListener.h"

#include <chrono>
#include <cstdint>
#include <memory>

namespace platform {
class DispatchGroup;
class SerialQueue;
} // namespace platform

// One worker loop of an ObjectsProcessor, on a serial queue of its own. Starting its
// trigger starts a loop that takes objects from the manager one at a time and hands them
// to the worker until the trigger is stopped. While the loop finds nothing to do it
// leaves the manager's work group and waits for at most kIdleWait before it asks again;
// wake() and stopping the trigger end that wait early.
class ObjectProcessorThread : public StartStopTriggerListener,
                              public std::enable_shared_from_this<ObjectProcessorThread> {
public:
    static constexpr std::chrono::seconds kIdleWait{1};

    // Answers nullptr when the manager is gone, the worker is missing or no thread can be
    // started.
    static std::shared_ptr<ObjectProcessorThread>
    create(const std::shared_ptr<ObjectProcessorThreadManager>& manager,
           std::shared_ptr<ObjectProcessorWorker> worker);

    const std::shared_ptr<StartStopTrigger>& getController() const { return m_pCtrl; }

    // Enters the work group and posts a loop that runs while the trigger's cycle is `cycle`.
    void startLoopWithCycleIndex(std::uint32_t cycle);

    // Tells an idle loop that objects may be waiting.
    void wake() EXCLUDES(m_wakeLock);

    void onTriggerStarted(StartStopTrigger& trigger, std::uint32_t cycle) override;
    void onTriggerStopped(StartStopTrigger& trigger) override;

private:
    ObjectProcessorThread() = default;

    void loop(std::uint32_t cycle);
    void waitIdle(std::uint32_t cycle) EXCLUDES(m_wakeLock);

    // Set by create() before the loop can run, and never changed.
    std::weak_ptr<ObjectProcessorThreadManager> m_pManager;
    std::shared_ptr<platform::DispatchGroup> m_pWorkGroup;
    std::shared_ptr<platform::SerialQueue> m_pWorkQueue;
    std::shared_ptr<StartStopTrigger> m_pCtrl;
    std::shared_ptr<ObjectProcessorWorker> m_pWorker;

    platform::Mutex m_wakeLock;
    platform::ConditionVariable m_wakeUp;
    bool m_isWoken GUARDED_BY(m_wakeLock){false};
};
