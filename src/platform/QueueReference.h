#pragma once

#include "platform/DispatchQueue.h"

#include <memory>

namespace platform {

// A way back to a queue for work that runs later (delayed calls, group notifications).
// A queue owned through std::shared_ptr is held weakly, so work for a queue that has been
// destroyed is dropped; any other queue (the main and global queues) must outlive the work.
class QueueReference {
public:
    explicit QueueReference(DispatchQueue& queue);

    // Schedules `task` on the queue; answers false, dropping the task, when the queue is gone.
    bool async(Task task) const;

private:
    DispatchQueue* m_queue{nullptr};
    std::weak_ptr<DispatchQueue> m_owned;
    bool m_isOwned{false};
};

} // namespace platform
