#pragma once

#include <vector>

template <typename Item> class SafeCollector;

// Receives the batches of a SafeCollector, on the collector's queue.
template <typename Item> class SafeCollectorListener {
public:
    virtual ~SafeCollectorListener() = default;

    virtual void onSafeCollector(SafeCollector<Item>& collector, std::vector<Item> items) = 0;
};
