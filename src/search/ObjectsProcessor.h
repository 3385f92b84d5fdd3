#pragma once

#include "platform/Mutex.h"
#include "search/ObjectProcessorDelegate.h"
#include "search/ObjectProcessorThread.h"
#include "search/ObjectProcessorThreadManager.h"
#include "search/StartStopTrigger.h"
#include "search/StartStopTriggerListener.h"

#include <any>
#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

namespace platform {
class DispatchGroup;
class SerialQueue;
} // namespace platform

// A fixed pool of worker loops that work through a list of pending objects, newest first.
//
// A run begins when the processor's trigger starts (with automatic start, at the first
// addition to an idle processor): every worker loop starts and takes objects until all of
// them have found nothing to do at the same time while nothing is pending. Then the
// trigger stops, the loops end and the next addition begins a new run. Additions, the
// start and stop of runs and the completion checks all happen on one serial work queue;
// the delegate is told there when a run begins and when it completes.
//
// Stopping the trigger from outside cancels the run: the objects still pending are
// dropped, the objects being worked on are finished, and the run completes at once.
class ObjectsProcessor : public StartStopTriggerListener,
                         public ObjectProcessorThreadManager,
                         public std::enable_shared_from_this<ObjectsProcessor> {
public:
    enum class Start { Automatic, Manual };

    // Asks the delegate for one worker per loop. Answers nullptr when there are no workers,
    // the delegate is gone or gives no worker, or no thread can be started.
    static std::shared_ptr<ObjectsProcessor>
    create(std::size_t countOfWorkers, const std::shared_ptr<ObjectProcessorDelegate>& delegate,
           Start autoStart);
    // Ends the loops of a run in progress; objects still pending are dropped.
    ~ObjectsProcessor() override;

    // Empty objects are ignored.
    void addObject(std::any object);
    void addObjects(std::vector<std::any> objects);

    const std::shared_ptr<StartStopTrigger>& getController() const { return m_pCtrl; }
    bool isProcessorWorking() const { return m_isWorking.load(); }

private:
    ObjectsProcessor() = default;

    // What the worker loops and the trigger call.
    std::shared_ptr<platform::DispatchGroup> getWorkDispatchGroup() override;
    std::any requestObjectForProcessor(ObjectProcessorThread& thread) override
        EXCLUDES(m_pendingLock);
    void onTriggerStarted(StartStopTrigger& trigger, std::uint32_t cycle) override;
    void onTriggerStopped(StartStopTrigger& trigger) override;

    // Everything below runs on the work queue.
    void appendPending(std::vector<std::any> objects) EXCLUDES(m_pendingLock);
    // Completes the run when nothing is pending and every loop is idle; otherwise checks
    // again later.
    void checkIsWorkCompleted() EXCLUDES(m_pendingLock);
    // Checks for completion once every loop of the current run is idle.
    void scheduleIsWorkCompletedCheck();
    void beginRun(std::uint32_t cycle);
    void endRun() EXCLUDES(m_pendingLock);
    void completeRun();
    bool hasPending() EXCLUDES(m_pendingLock);

    // Set by create() before any loop or queue can see the processor, and never changed.
    std::weak_ptr<ObjectProcessorDelegate> m_pDelegate;
    bool m_bAutoStart{true};
    std::vector<std::shared_ptr<ObjectProcessorThread>> m_arrWorkers;
    std::shared_ptr<platform::DispatchGroup> m_pWorkDispatchGroup;
    std::shared_ptr<platform::SerialQueue> m_pWorkQueue;
    std::shared_ptr<StartStopTrigger> m_pCtrl;

    // Only read and written on the work queue, which runs one task at a time.
    bool m_bIsNeedAutoStart{true};

    // Shared between the work queue, which adds and drops objects, and the worker loops,
    // which take them.
    platform::Mutex m_pendingLock;
    std::vector<std::any> m_arrObjectsForWork GUARDED_BY(m_pendingLock);

    std::atomic<bool> m_isWorking{false};
};
