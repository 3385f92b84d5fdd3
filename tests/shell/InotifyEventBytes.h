#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <sys/inotify.h>
#include <vector>

namespace testing_support {

// One event as the kernel writes it; a name is padded with zeros to a multiple of 16 bytes.
struct HandMadeEvent {
    int wd{0};
    std::uint32_t mask{0};
    std::uint32_t cookie{0};
    std::string name{};
};

inline std::vector<std::byte> inotifyBytes(std::span<const HandMadeEvent> events) {
    std::vector<std::byte> bytes;
    for (const HandMadeEvent& event : events) {
        std::size_t length = event.name.empty() ? 0 : (event.name.size() / 16 + 1) * 16;
        inotify_event header{};
        header.wd = event.wd;
        header.mask = event.mask;
        header.cookie = event.cookie;
        header.len = static_cast<std::uint32_t>(length);
        std::size_t at = bytes.size();
        bytes.resize(at + sizeof header + length);
        std::memcpy(bytes.data() + at, &header, sizeof header);
        std::memcpy(bytes.data() + at + sizeof header, event.name.data(), event.name.size());
    }
    return bytes;
}

inline std::vector<std::byte> inotifyBytes(std::initializer_list<HandMadeEvent> events) {
    return inotifyBytes(std::span(events.begin(), events.size()));
}

} // namespace testing_support
