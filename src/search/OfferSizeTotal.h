#pragma once

#include "platform/TreeSize.h"

#include <cstdint>
#include <map>

// The space that removing several measured paths together frees, as du -s counts
// them: a file with several names among the paths counts once, whichever measurement
// met it. Measurements come and go by key (a path that turns out to lie inside
// another is taken back).
class OfferSizeTotal {
public:
    // `size` counts each of the `linked` files once already.
    void set(const void* key, std::uint64_t size, platform::TreeSize::LinkedFiles linked);
    void remove(const void* key);
    std::uint64_t total() const { return m_total; }

private:
    struct Measurement {
        std::uint64_t size{0};
        platform::TreeSize::LinkedFiles linked;
    };
    void recompute();

    std::map<const void*, Measurement> m_measurements;
    std::uint64_t m_total{0};
};
