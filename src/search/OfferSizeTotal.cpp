#include "search/OfferSizeTotal.h"

#include <algorithm>
#include <set>
#include <utility>

void OfferSizeTotal::set(const void* key, std::uint64_t size,
                         platform::TreeSize::LinkedFiles linked) {
    m_measurements[key] = Measurement{size, std::move(linked)};
    recompute();
}

void OfferSizeTotal::remove(const void* key) {
    if (m_measurements.erase(key) > 0)
        recompute();
}

// An offer holds tens of paths and rarely a linked file, so adding everything up
// again is cheaper than keeping counts per file.
void OfferSizeTotal::recompute() {
    std::uint64_t total = 0;
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const auto& [key, measurement] : m_measurements) {
        std::uint64_t size = measurement.size;
        for (const auto& file : measurement.linked) {
            if (!seen.emplace(file.device, file.inode).second)
                size -= std::min(size, file.bytes);
        }
        total += size;
    }
    m_total = total;
}
