#include "shell/HelperResources.h"

#include "platform/Localization.h"
#include "platform/Mutex.h"

#include <cstdlib>

#ifndef SWEEPWISE_SOURCE_RESOURCES
#error "SWEEPWISE_SOURCE_RESOURCES must name the helper's resource folder in the source tree"
#endif

namespace {

struct ConfiguredFolder {
    platform::Mutex mutex;
    std::string path GUARDED_BY(mutex);
};

ConfiguredFolder& configuredFolder() {
    static ConfiguredFolder folder;
    return folder;
}

} // namespace

std::string HelperResources::resourceFolder() {
    if (const char* value = std::getenv(kResourcesVariable); value && *value)
        return value;
    {
        ConfiguredFolder& configured = configuredFolder();
        platform::MutexLock lock(configured.mutex);
        if (!configured.path.empty())
            return configured.path;
    }
    return SWEEPWISE_SOURCE_RESOURCES;
}

void HelperResources::setResourceFolder(const std::string& path) {
    ConfiguredFolder& configured = configuredFolder();
    platform::MutexLock lock(configured.mutex);
    configured.path = path;
}

std::string HelperResources::localizedString(std::string_view table, std::string_view key,
                                             std::string_view defaultValue,
                                             std::string_view comment) {
    return platform::Localization::shared().localizedString(resourceFolder(), table, key,
                                                            defaultValue);
}
