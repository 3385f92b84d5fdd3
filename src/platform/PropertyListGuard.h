#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform {

// A cheap look at property-list bytes before they reach the property-list library.
//
// The library parses nested containers recursively, so deep nesting exhausts the
// stack; it copies every object of a binary list once per reference, so a few
// hundred bytes of shared arrays expand into billions of nodes; and it aborts the
// process on some malformed dictionary keys. The guard walks the structure without
// recursion and turns all of these away, together with binary strings that hold NUL
// characters or broken UTF-16. It proves nothing else: bytes it admits may still be
// malformed and are left for the library to reject.
class PropertyListGuard {
public:
    struct Limits {
        // Containers nested inside each other, the outermost counting as one.
        std::size_t maxDepth{512};
        // Objects of a binary list after every reference has been expanded.
        std::uint64_t maxNodes{std::uint64_t(1) << 20};
    };

    static bool admits(std::string_view bytes, const Limits& limits);

private:
    static bool admitsBinary(std::string_view bytes, const Limits& limits);
    static bool admitsXml(std::string_view bytes, const Limits& limits);
};

} // namespace platform
