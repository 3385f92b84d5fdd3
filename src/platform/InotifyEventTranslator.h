#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform {

// Turns the bytes of one read() from an inotify descriptor into the change kinds of
// FileEventKinds, one delivery per watch. It is a pure function of the bytes so that every
// row of the translation can be tested with hand-made events.
class InotifyEventTranslator {
public:
    struct Delivery {
        int wd{-1};
        std::uint32_t notes{0};
        // The watched item's own contents were written. Whether it also grew is decided by
        // whoever knows its last size.
        bool contentModified{false};

        bool operator==(const Delivery&) const = default;
    };

    struct Batch {
        // In the order in which each watch first appears in the read; all events of one watch
        // are combined into one delivery.
        std::vector<Delivery> deliveries;
        // The kernel dropped events: every watched folder must be rescanned.
        bool overflowed{false};
        // Watches that the kernel has ended (IN_IGNORED), after their last delivery.
        std::vector<int> forgotten;
    };

    // Complete events only: a header or name cut off at the end of `bytes` ends the batch.
    static Batch translate(std::span<const std::byte> bytes);

    // The inotify mask that produces the given notes, for a folder or for any other item.
    static std::uint32_t inotifyMask(std::uint32_t notes, bool directory);
};

} // namespace platform
