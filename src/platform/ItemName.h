#pragma once

#include <string>
#include <string_view>

namespace platform {

// The few facts about an item's name that the file-system services need: its last
// component and extension, following the platform's path rules.
class ItemName {
public:
    // The last path component; trailing "/" are ignored, and "/" stays "/".
    static std::string_view lastComponent(std::string_view path);

    // The part of `name` after its final period. A name that only begins with a
    // period (".hidden") has no extension.
    static std::string_view extension(std::string_view name);

    // `path` without trailing "/", so that a final symbolic link is not resolved by
    // the kernel; "/" and "" stay as they are.
    static std::string withoutTrailingSlashes(std::string_view path);
};

} // namespace platform
