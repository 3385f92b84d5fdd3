#pragma once

#include <cstdint>
#include <string_view>

// The dependency group of a found item. The numbers are what the rest of the system
// stores, compares and writes into message files; the knowledge base names groups by
// value strings.
enum class AppDependencyGroup : std::int32_t {
    None = -1,
    Binaries = 0,
    PreferencePanes = 1,
    KernelExtensions = 2,
    ApplicationSupport = 3,
    Plugins = 4,
    Shared = 5,
    Library = 6,
    Growl = 7,
    Caches = 8,
    Containers = 9,
    Preferences = 10,
    Logs = 11,
    Cookies = 12,
    CrashReports = 13,
    LoginItems = 14,
    DockIcon = 15,
    DesktopAlias = 16,
    BrokenAlias = 17,
};

// The group a knowledge-base value names ("caches" gives Caches), compared exactly and
// case-sensitively; None for anything else.
AppDependencyGroup appDependencyGroupFromValue(std::string_view value);

// The value string of a group number; empty for -1 and any number outside the table.
std::string_view appDependencyGroupValue(std::int32_t group);
