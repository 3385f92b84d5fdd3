#include "search/ObjectProcessorThread.h"

#include "platform/DispatchGroup.h"
#include "platform/SerialQueue.h"

std::shared_ptr<ObjectProcessorThread>
ObjectProcessorThread::create(const std::shared_ptr<ObjectProcessorThreadManager>& manager,
                              std::shared_ptr<ObjectProcessorWorker> worker) {
    if (!manager || !worker)
        return nullptr;
    std::shared_ptr<ObjectProcessorThread> thread(new ObjectProcessorThread());
    thread->m_pManager = manager;
    thread->m_pWorkGroup = manager->getWorkDispatchGroup();
    thread->m_pWorkQueue = platform::SerialQueue::create("ObjectProcessorThreaded work queue");
    if (!thread->m_pWorkGroup || !thread->m_pWorkQueue)
        return nullptr;
    thread->m_pCtrl = std::make_shared<StartStopTrigger>(thread->weak_from_this());
    thread->m_pWorker = std::move(worker);
    return thread;
}

void ObjectProcessorThread::startLoopWithCycleIndex(std::uint32_t cycle) {
    m_pWorkGroup->enter();
    // The loop keeps its thread object, and with it the queue it runs on, until it ends.
    m_pWorkQueue->async([self = shared_from_this(), cycle] { self->loop(cycle); });
}

void ObjectProcessorThread::wake() {
    platform::MutexLock lock(m_wakeLock);
    m_isWoken = true;
    m_wakeUp.notifyAll();
}

void ObjectProcessorThread::onTriggerStarted(StartStopTrigger& trigger, std::uint32_t cycle) {
    // A loop for a run that has already been stopped again ends at once.
    if (&trigger == m_pCtrl.get())
        startLoopWithCycleIndex(cycle);
}

void ObjectProcessorThread::onTriggerStopped(StartStopTrigger& trigger) {
    // The loop notices the new cycle by itself; this only spares it the rest of its wait.
    if (&trigger == m_pCtrl.get())
        wake();
}

void ObjectProcessorThread::loop(std::uint32_t cycle) {
    while (m_pCtrl->cycle() == cycle) {
        std::any object;
        if (auto manager = m_pManager.lock())
            object = manager->requestObjectForProcessor(*this);
        if (object.has_value()) {
            m_pWorker->performWorkForObject(object);
            continue;
        }
        m_pWorkGroup->leave();
        waitIdle(cycle);
        m_pWorkGroup->enter();
    }
    m_pWorkGroup->leave();
}

void ObjectProcessorThread::waitIdle(std::uint32_t cycle) {
    const auto deadline = std::chrono::steady_clock::now() + kIdleWait;
    platform::MutexLock lock(m_wakeLock);
    while (!m_isWoken && m_pCtrl->cycle() == cycle) {
        if (!m_wakeUp.waitUntil(lock, deadline))
            break;
    }
    m_isWoken = false;
}
