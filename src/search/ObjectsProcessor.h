#pragma once

#include "search/ObjectProcessorDelegate.h"
#include "search/ObjectProcessorThread.h"
#include "search/ObjectProcessorThreadManager.h"
#include "search/StartStopTrigger.h"
#include "search/StartStopTriggerListener.h"

#include <any>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
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

    std::shared_ptr<platform::DispatchGroup> getWorkDispatchGroup() override;
    std::any requestObjectForProcessor(ObjectProcessorThread& thread) override;

    // Completes the run when nothing is pending and every loop is idle; otherwise checks
    // again later. Called on the work queue.
    void checkIsWorkCompleted();
    // Checks for completion once every loop of the current run is idle.
    void scheduleIsWorkCompletedCheck();

    void onTriggerStarted(StartStopTrigger& trigger) override;
    void onTriggerStopped(StartStopTrigger& trigger) override;

private:
    ObjectsProcessor() = default;

    void beginRun(std::uint32_t cycle);
    void endRun();
    void completeRun();

    std::weak_ptr<ObjectProcessorDelegate> m_pDelegate;
    bool m_bAutoStart{true};
    bool m_bIsNeedAutoStart{true};
    std::vector<std::shared_ptr<ObjectProcessorThread>> m_arrWorkers;
    std::vector<std::any> m_arrObjectsForWork;
    std::shared_ptr<platform::DispatchGroup> m_pWorkDispatchGroup;
    std::shared_ptr<platform::SerialQueue> m_pWorkQueue;
    std::shared_ptr<StartStopTrigger> m_pCtrl;
    std::recursive_mutex m_pAccessToObjectsLock;
    std::atomic<bool> m_isWorking{false};
};
