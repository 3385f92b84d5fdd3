#include "shell/HelperResources.h"

#include "platform/Localization.h"

#include <cstdlib>
#include <mutex>

#ifndef SWEEPWISE_SOURCE_RESOURCES
#error "SWEEPWISE_SOURCE_RESOURCES must name the helper's resource folder in the source tree"
#endif

namespace {

std::mutex& folderMutex() {
    static std::mutex mutex;
    return mutex;
}

// Guarded by folderMutex().
std::string& configuredFolder() {
    static std::string folder;
    return folder;
}

} // namespace

std::string HelperResources::resourceFolder() {
    if (const char* value = std::getenv(kResourcesVariable); value && *value)
        return value;
    {
        std::lock_guard lock(folderMutex());
        if (!configuredFolder().empty())
            return configuredFolder();
    }
    return SWEEPWISE_SOURCE_RESOURCES;
}

void HelperResources::setResourceFolder(const std::string& path) {
    std::lock_guard lock(folderMutex());
    configuredFolder() = path;
}

std::string HelperResources::localizedString(std::string_view table, std::string_view key,
                                             std::string_view defaultValue,
                                             std::string_view comment) {
    return platform::Localization::shared().localizedString(resourceFolder(), table, key,
                                                            defaultValue);
}
