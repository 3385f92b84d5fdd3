#include "platform/DispatchQueue.h"

#include "platform/ConditionVariable.h"

namespace platform {

namespace {

struct Completion {
    Mutex mutex;
    ConditionVariable done;
    bool finished GUARDED_BY(mutex){false};
};

// Signals completion when the last copy of the scheduled task is destroyed, whether the task
// ran or was discarded, so that sync() can never wait for a task that is gone.
class CompletionSignal {
public:
    explicit CompletionSignal(std::shared_ptr<Completion> completion)
        : m_completion(std::move(completion)) {}
    CompletionSignal(const CompletionSignal&) = delete;
    CompletionSignal& operator=(const CompletionSignal&) = delete;
    ~CompletionSignal() {
        {
            MutexLock lock(m_completion->mutex);
            m_completion->finished = true;
            m_completion->done.notifyAll();
        }
    }

private:
    std::shared_ptr<Completion> m_completion;
};

} // namespace

DispatchQueue::DispatchQueue(std::string label) : m_label(std::move(label)) {}

DispatchQueue::~DispatchQueue() = default;

void DispatchQueue::sync(Task task) {
    if (!task)
        return;
    if (isCurrent()) {
        task();
        return;
    }
    auto completion = std::make_shared<Completion>();
    auto signal = std::make_shared<CompletionSignal>(completion);
    // The task stays on this stack frame: the signal fires only once the scheduled wrapper has
    // been destroyed, so the reference cannot outlive it.
    async([signal = std::move(signal), &task] { task(); });
    MutexLock lock(completion->mutex);
    while (!completion->finished)
        completion->done.wait(lock);
}

} // namespace platform
