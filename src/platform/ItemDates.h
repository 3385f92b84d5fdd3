#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace platform {

// The three dates of one item, its own (a final symbolic link is not followed).
struct ItemDates {
    using Date = std::chrono::system_clock::time_point;

    // Absent where the file system does not record when an item was created.
    std::optional<Date> creation;
    std::optional<Date> lastAccess;
    std::optional<Date> contentModification;

    // None when the item cannot be examined.
    static std::optional<ItemDates> read(const std::string& path);
};

} // namespace platform
