#include "search/AppDependencyGroup.h"

#include <array>
#include <cstddef>

namespace {

// Indexed by group number.
constexpr std::array<std::string_view, 18> kValues = {
    "binaries",      "preference-panes", "kernel-extensions", "application-support",
    "plugins",       "shared",           "library",           "growl",
    "caches",        "containers",       "preferences",       "logs",
    "cookies",       "crash-reports",    "login-items",       "dock-icon",
    "desktop-alias", "broken-alias",
};

} // namespace

AppDependencyGroup appDependencyGroupFromValue(std::string_view value) {
    for (std::size_t number = 0; number < kValues.size(); ++number) {
        if (kValues[number] == value)
            return static_cast<AppDependencyGroup>(number);
    }
    return AppDependencyGroup::None;
}

std::string_view appDependencyGroupValue(std::int32_t group) {
    if (group < 0 || static_cast<std::size_t>(group) >= kValues.size())
        return {};
    return kValues[static_cast<std::size_t>(group)];
}
