#pragma once

#include <cstdint>

// The appearance chosen in the main application. `automatic` follows the
// system (the stored value 0; "auto" is a C++ keyword).
enum class AppAppearanceType : int {
    automatic = 0,
    light = 1,
    dark = 2,
};

// The type of a stored value; anything but 1 and 2 follows the system.
constexpr AppAppearanceType appAppearanceTypeFromValue(std::int64_t value) {
    if (value == 1)
        return AppAppearanceType::light;
    if (value == 2)
        return AppAppearanceType::dark;
    return AppAppearanceType::automatic;
}
