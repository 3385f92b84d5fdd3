#include "shell/AppGroupManager.h"

#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PropertyList.h"
#include "shell/PathsGenerator.h"

using platform::Path;

namespace {

// Preferences are small; a larger file is treated as damaged.
constexpr std::size_t kMaxPreferencesBytes = std::size_t(4) << 20;

} // namespace

AppGroupManager& AppGroupManager::GetInstance() {
    static AppGroupManager instance;
    return instance;
}

AppGroupManager::AppGroupManager() : m_suiteName(kGroupIdentifier) {
    const std::string library = PathsGenerator::GetInstance().buildUserLibraryDirectory();
    m_preferencesPath =
        Path::appending(Path::appending(library, "Preferences"), m_suiteName + ".plist");
    m_containerPath = Path::appending(Path::appending(library, "Group Containers"), m_suiteName);
}

std::optional<platform::PlistValue> AppGroupManager::objectForKey(std::string_view key) const {
    auto suite =
        platform::PropertyList::readFileWithReason(m_preferencesPath, kMaxPreferencesBytes);
    if (!suite.value && suite.failure != platform::PropertyList::Failure::Missing)
        platform::Log::warningOnce(platform::Log::Component::Shell,
                                   m_preferencesPath + ": " +
                                       std::string(platform::PropertyList::nameOf(suite.failure)) +
                                       "; its settings are not used");
    const platform::PlistValue* value = suite.value ? suite.value->get(key) : nullptr;
    if (!value)
        return std::nullopt;
    return *value;
}

std::optional<std::string> AppGroupManager::groupContainerPath() const {
    bool isDirectory = false;
    if (!platform::FileSystem::fileExists(m_containerPath, &isDirectory) || !isDirectory)
        return std::nullopt;
    return m_containerPath;
}

std::string AppGroupManager::getTemporaryDirectory() const {
    std::optional<std::string> container = groupContainerPath();
    if (!container)
        return platform::FileSystem::temporaryDirectory();
    return Path::appending(*container, "Temp");
}
