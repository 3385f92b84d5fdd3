#include "search/SimpleSizeCalculation.h"

#include "platform/FileSystem.h"
#include "platform/MainQueue.h"
#include "platform/TreeSize.h"

std::shared_ptr<SimpleSizeCalculation> SimpleSizeCalculation::GetInstance() {
    // Never destroyed: the worker loops use the calculator until the very end.
    static auto* instance = [] {
        std::shared_ptr<SimpleSizeCalculation> calculation(new SimpleSizeCalculation());
        calculation->m_pProcessor = ObjectsProcessor::create(kCountOfWorkers, calculation,
                                                             ObjectsProcessor::Start::Automatic);
        return new std::shared_ptr<SimpleSizeCalculation>(std::move(calculation));
    }();
    return *instance;
}

void SimpleSizeCalculation::addTask(std::shared_ptr<SimpleSizeCalculationTask> task) {
    if (task && m_pProcessor)
        m_pProcessor->addObject(std::move(task));
}

void SimpleSizeCalculation::cancelAllTasks() {
    if (m_pProcessor)
        m_pProcessor->getController()->stop();
}

bool SimpleSizeCalculation::isWorking() const {
    return m_pProcessor && m_pProcessor->isProcessorWorking();
}

std::uint64_t SimpleSizeCalculation::sizeOfItemAtPath(const std::string& path) {
    bool isDirectory = false;
    if (!platform::FileSystem::fileExists(path, &isDirectory))
        return 0;
    return isDirectory ? fastFolderSizeOfItemWithPath(path) : sizeOfFile(path);
}

std::uint64_t SimpleSizeCalculation::fastFolderSizeOfItemWithPath(const std::string& path) {
    return platform::TreeSize::allocatedSizeBelow(path);
}

std::uint64_t SimpleSizeCalculation::sizeOfFile(const std::string& path) {
    return platform::FileSystem::resourceValues(path).totalFileAllocatedSize.value_or(0);
}

std::shared_ptr<ObjectProcessorWorker> SimpleSizeCalculation::createWorker() {
    return shared_from_this();
}

void SimpleSizeCalculation::onObjectsProcessorWorkBegin(ObjectsProcessor&) {}

void SimpleSizeCalculation::onObjectsProcessorWorkCompleted(ObjectsProcessor&) {}

void SimpleSizeCalculation::performWorkForObject(const std::any& object) {
    const auto* found = std::any_cast<std::shared_ptr<SimpleSizeCalculationTask>>(&object);
    if (!found || !*found)
        return;
    std::shared_ptr<SimpleSizeCalculationTask> task = *found;
    task->setItemSize(sizeOfItemAtPath(task->itemPath()));
    std::weak_ptr<SimpleSizeCalculationTaskListener> listener = task->listener();
    if (listener.expired())
        return;
    platform::MainQueue::shared().async([task = std::move(task), listener = std::move(listener)] {
        if (auto alive = listener.lock())
            alive->onSimpleSizeCalculationTaskComplete(task);
    });
}
