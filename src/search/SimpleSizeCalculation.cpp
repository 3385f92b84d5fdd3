#include "search/SimpleSizeCalculation.h"

#include "platform/FileSystem.h"
#include "platform/MainQueue.h"
#include "platform/SharedTreeWalk.h"
#include "platform/TreeSize.h"

#include <algorithm>
#include <thread>

namespace {

// A request to join a large walk that another worker has begun.
struct WalkHelp {
    std::shared_ptr<platform::SharedTreeWalk> walk;
};

// More walkers than cores only add switching between them.
std::size_t helpersPerWalk() {
    std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min(SimpleSizeCalculation::kCountOfWorkers, cores) - 1;
}

} // namespace

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

// What removing the path frees: a symbolic link is the link, never what it points to,
// which may be a system folder or another application's.
std::uint64_t SimpleSizeCalculation::sizeOfItemAtPath(const std::string& path,
                                                      platform::TreeSize::LinkedFiles* linked) {
    return platform::TreeSize::allocatedSizeOfItem(path, linked);
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

// Idle workers take the help requests before older pending tasks, since they are newer:
// the tree a user waits for is measured on every core, and the pending tasks follow.
void SimpleSizeCalculation::askForHelp(const std::shared_ptr<platform::SharedTreeWalk>& walk) {
    std::vector<std::any> requests(helpersPerWalk(), WalkHelp{walk});
    if (m_pProcessor && !requests.empty())
        m_pProcessor->addObjects(std::move(requests));
}

void SimpleSizeCalculation::performWorkForObject(const std::any& object) {
    if (const auto* help = std::any_cast<WalkHelp>(&object)) {
        // Returns at once when the walk has ended meanwhile.
        help->walk->join();
        return;
    }
    const auto* found = std::any_cast<std::shared_ptr<SimpleSizeCalculationTask>>(&object);
    if (!found || !*found)
        return;
    std::shared_ptr<SimpleSizeCalculationTask> task = *found;
    platform::TreeSize::LinkedFiles linked;
    const std::uint64_t size = platform::TreeSize::allocatedSizeOfItem(
        task->itemPath(), &linked,
        [this](const std::shared_ptr<platform::SharedTreeWalk>& walk) { askForHelp(walk); });
    task->setLinkedFiles(std::move(linked));
    task->setItemSize(size);
    std::weak_ptr<SimpleSizeCalculationTaskListener> listener = task->listener();
    if (listener.expired())
        return;
    platform::MainQueue::shared().async([task = std::move(task), listener = std::move(listener)] {
        if (auto alive = listener.lock())
            alive->onSimpleSizeCalculationTaskComplete(task);
    });
}
