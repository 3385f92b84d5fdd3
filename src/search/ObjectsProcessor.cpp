#include "search/ObjectsProcessor.h"

#include "platform/DelayedCall.h"
#include "platform/DispatchGroup.h"
#include "platform/SerialQueue.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// Objects can arrive just after every loop has found the list empty. The loops are woken
// and take them at once, so the completion check looks again shortly instead of spinning.
constexpr std::chrono::milliseconds kRecheckDelay{20};

} // namespace

std::shared_ptr<ObjectsProcessor>
ObjectsProcessor::create(std::size_t countOfWorkers,
                         const std::shared_ptr<ObjectProcessorDelegate>& delegate,
                         Start autoStart) {
    if (countOfWorkers == 0 || !delegate)
        return nullptr;
    std::shared_ptr<ObjectsProcessor> processor(new ObjectsProcessor());
    processor->m_pDelegate = delegate;
    processor->m_bAutoStart = autoStart == Start::Automatic;
    processor->m_bIsNeedAutoStart = processor->m_bAutoStart;
    processor->m_pWorkDispatchGroup = platform::DispatchGroup::create();
    processor->m_pWorkQueue = platform::SerialQueue::create("ObjectsProcessor work queue");
    if (!processor->m_pWorkQueue)
        return nullptr;
    processor->m_pCtrl = std::make_shared<StartStopTrigger>(processor->weak_from_this());
    for (std::size_t index = 0; index < countOfWorkers; ++index) {
        auto worker = ObjectProcessorThread::create(processor, delegate->createWorker());
        if (!worker)
            return nullptr;
        processor->m_arrWorkers.push_back(std::move(worker));
    }
    return processor;
}

ObjectsProcessor::~ObjectsProcessor() {
    for (const auto& worker : m_arrWorkers)
        worker->getController()->stop();
}

void ObjectsProcessor::addObject(std::any object) {
    std::vector<std::any> objects;
    objects.push_back(std::move(object));
    addObjects(std::move(objects));
}

void ObjectsProcessor::addObjects(std::vector<std::any> objects) {
    std::erase_if(objects, [](const std::any& object) { return !object.has_value(); });
    if (objects.empty())
        return;
    m_pWorkQueue->async([weak = weak_from_this(), objects = std::move(objects)]() mutable {
        if (auto processor = weak.lock())
            processor->appendPending(std::move(objects));
    });
}

void ObjectsProcessor::appendPending(std::vector<std::any> objects) {
    {
        platform::MutexLock lock(m_pendingLock);
        m_arrObjectsForWork.insert(m_arrObjectsForWork.end(),
                                   std::make_move_iterator(objects.begin()),
                                   std::make_move_iterator(objects.end()));
    }
    if (m_bIsNeedAutoStart)
        m_pCtrl->start();
    for (const auto& worker : m_arrWorkers)
        worker->wake();
}

std::shared_ptr<platform::DispatchGroup> ObjectsProcessor::getWorkDispatchGroup() {
    return m_pWorkDispatchGroup;
}

std::any ObjectsProcessor::requestObjectForProcessor(ObjectProcessorThread&) {
    platform::MutexLock lock(m_pendingLock);
    if (m_arrObjectsForWork.empty())
        return {};
    std::any object = std::move(m_arrObjectsForWork.back());
    m_arrObjectsForWork.pop_back();
    return object;
}

bool ObjectsProcessor::hasPending() {
    platform::MutexLock lock(m_pendingLock);
    return !m_arrObjectsForWork.empty();
}

void ObjectsProcessor::checkIsWorkCompleted() {
    if (!m_isWorking.load() || m_pCtrl->isPaused())
        return;
    // Pending objects first: only this queue adds them, so once the list is seen empty it
    // stays empty during this check, and a loop that took the last object is still in the
    // work group when the group is asked.
    bool pending = hasPending();
    bool idle = m_pWorkDispatchGroup->wait(std::chrono::milliseconds(0));
    if (idle && !pending) {
        m_pCtrl->stop();
        completeRun();
        return;
    }
    if (!idle) {
        scheduleIsWorkCompletedCheck();
        return;
    }
    std::uint32_t cycle = m_pCtrl->cycle();
    platform::DelayedCall::after(kRecheckDelay, *m_pWorkQueue, [weak = weak_from_this(), cycle] {
        auto processor = weak.lock();
        if (processor && processor->m_pCtrl->cycle() == cycle)
            processor->checkIsWorkCompleted();
    });
}

void ObjectsProcessor::scheduleIsWorkCompletedCheck() {
    // A check registered in one run is dropped if that run has ended by the time it is due.
    std::uint32_t cycle = m_pCtrl->cycle();
    m_pWorkDispatchGroup->notify(*m_pWorkQueue, [weak = weak_from_this(), cycle] {
        auto processor = weak.lock();
        if (processor && processor->m_pCtrl->cycle() == cycle)
            processor->checkIsWorkCompleted();
    });
}

void ObjectsProcessor::onTriggerStarted(StartStopTrigger& trigger, std::uint32_t cycle) {
    if (&trigger != m_pCtrl.get())
        return;
    m_pWorkQueue->async([weak = weak_from_this(), cycle] {
        if (auto processor = weak.lock())
            processor->beginRun(cycle);
    });
}

void ObjectsProcessor::onTriggerStopped(StartStopTrigger& trigger) {
    if (&trigger != m_pCtrl.get())
        return;
    m_pWorkQueue->async([weak = weak_from_this()] {
        if (auto processor = weak.lock())
            processor->endRun();
    });
}

void ObjectsProcessor::beginRun(std::uint32_t cycle) {
    // The trigger was stopped again before the run could begin.
    if (m_pCtrl->isPaused() || m_pCtrl->cycle() != cycle)
        return;
    m_isWorking.store(true);
    m_bIsNeedAutoStart = false;
    if (auto delegate = m_pDelegate.lock())
        delegate->onObjectsProcessorWorkBegin(*this);
    for (const auto& worker : m_arrWorkers)
        worker->getController()->start();
    scheduleIsWorkCompletedCheck();
}

// Runs after every stop of the trigger. A completed run has already been wound up, and
// objects added since belong to the next run; a run still working was cancelled, and
// what is pending for it is dropped.
void ObjectsProcessor::endRun() {
    for (const auto& worker : m_arrWorkers)
        worker->getController()->stop();
    if (!m_isWorking.load())
        return;
    {
        // The dropped objects may own anything; they are destroyed once the lock is free.
        platform::MutexLock lock(m_pendingLock);
        lock.releaseAfterUnlock(std::exchange(m_arrObjectsForWork, {}));
    }
    completeRun();
}

void ObjectsProcessor::completeRun() {
    m_isWorking.store(false);
    m_bIsNeedAutoStart = m_bAutoStart;
    if (auto delegate = m_pDelegate.lock())
        delegate->onObjectsProcessorWorkCompleted(*this);
}
