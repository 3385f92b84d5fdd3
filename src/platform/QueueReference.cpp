#include "platform/QueueReference.h"

namespace platform {

QueueReference::QueueReference(DispatchQueue& queue)
    : m_queue(&queue), m_owned(queue.weak_from_this()), m_isOwned(!m_owned.expired()) {}

bool QueueReference::async(Task task) const {
    if (!m_isOwned) {
        m_queue->async(std::move(task));
        return true;
    }
    std::shared_ptr<DispatchQueue> queue = m_owned.lock();
    if (!queue)
        return false;
    queue->async(std::move(task));
    return true;
}

} // namespace platform
