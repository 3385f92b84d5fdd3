#pragma once

#include "platform/SerialQueue.h"
#include "search/SafeCollectorListener.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// Collects items from any thread and hands them to its listener in batches: once at
// least `updateCount` items have come in since the last hand-over, or when a push is
// forced. Everything happens on the collector's own serial queue, the listener's calls
// included, in the order the calls were made.
template <typename Item>
class SafeCollector : public std::enable_shared_from_this<SafeCollector<Item>> {
public:
    // Answers nullptr when no thread can be started.
    static std::shared_ptr<SafeCollector>
    create(std::weak_ptr<SafeCollectorListener<Item>> listener, std::int64_t updateCount) {
        auto queue = platform::SerialQueue::create("SafeCollector work queue");
        if (!queue)
            return nullptr;
        return std::shared_ptr<SafeCollector>(
            new SafeCollector(std::move(listener), std::move(queue), updateCount));
    }

    void addObject(Item item) {
        std::vector<Item> items;
        items.push_back(std::move(item));
        addObjects(std::move(items));
    }

    void addObjects(std::vector<Item> items) {
        post([items = std::move(items)](SafeCollector& collector) mutable {
            collector.m_nItemsCount += static_cast<std::int64_t>(items.size());
            for (Item& item : items)
                collector.m_arrItems.push_back(std::move(item));
            collector.hand(false);
        });
    }

    // Hands over whatever has been collected, even nothing.
    void pushObjectsForced() { updateListenerForced(true); }

    // Hands over the collected items if a batch is due or `forced` is true.
    void updateListenerForced(bool forced) {
        post([forced](SafeCollector& collector) { collector.hand(forced); });
    }

private:
    SafeCollector(std::weak_ptr<SafeCollectorListener<Item>> listener,
                  std::shared_ptr<platform::SerialQueue> queue, std::int64_t updateCount)
        : m_pListener(std::move(listener)), m_pWorkQueue(std::move(queue)),
          m_nUpdateCount(updateCount) {}

    // The posted work keeps the collector until it has run.
    template <typename Work> void post(Work work) {
        m_pWorkQueue->async(
            [self = this->shared_from_this(), work = std::move(work)]() mutable { work(*self); });
    }

    void hand(bool forced) {
        if (m_nItemsCount < m_nUpdateCount && !forced)
            return;
        std::vector<Item> items;
        items.swap(m_arrItems);
        m_nItemsCount = 0;
        if (auto listener = m_pListener.lock())
            listener->onSafeCollector(*this, std::move(items));
    }

    const std::weak_ptr<SafeCollectorListener<Item>> m_pListener;
    const std::shared_ptr<platform::SerialQueue> m_pWorkQueue;
    std::vector<Item> m_arrItems;
    const std::int64_t m_nUpdateCount;
    std::int64_t m_nItemsCount{0};
};
