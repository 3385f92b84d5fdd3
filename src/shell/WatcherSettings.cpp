#include "shell/WatcherSettings.h"

#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "shell/PathsGenerator.h"

using platform::Path;

namespace {

// Quotes an argument of an XDG desktop entry's Exec key.
std::string quotedExec(const std::string& path)
{
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += "\\\\";
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

WatcherSettings& WatcherSettings::GetInstance()
{
    static WatcherSettings instance;
    return instance;
}

std::string WatcherSettings::loginItemEntryPath() const
{
    std::string autostart =
        Path::appending(PathsGenerator::GetInstance().getHomeDirectory(), ".config/autostart");
    return Path::appending(autostart, getHelperAppBundleID() + ".desktop");
}

std::optional<std::string> WatcherSettings::helperExecutableInMainBundle() const
{
    auto mainBundle = platform::Bundle::mainBundle();
    if (!mainBundle)
        return std::nullopt;
    std::string loginItems = Path::appending(mainBundle->bundlePath(), "Contents/Library/LoginItems");
    auto names = platform::FileSystem::contentsOfDirectory(loginItems);
    if (!names)
        return std::nullopt;
    for (const std::string& name : *names) {
        auto helper = platform::Bundle::create(Path::appending(loginItems, name));
        if (helper && helper->bundleIdentifier() == getHelperAppBundleID())
            return helper->executablePath();
    }
    return std::nullopt;
}

bool WatcherSettings::enableHelperInLoginItems(bool enabled) const
{
    if (!enabled)
        return enableHelperInLoginItems(false, {});
    std::optional<std::string> executable = helperExecutableInMainBundle();
    return executable && enableHelperInLoginItems(true, *executable);
}

bool WatcherSettings::enableHelperInLoginItems(bool enabled,
                                               const std::string& helperExecutable) const
{
    std::string entry = loginItemEntryPath();
    if (!enabled) {
        bool exists = platform::FileSystem::itemExistsNoFollow(entry);
        return !exists || platform::FileSystem::removeItem(entry);
    }
    if (helperExecutable.empty() || helperExecutable.find('\n') != std::string::npos)
        return false;
    if (!platform::FileSystem::createDirectory(Path::deletingLastComponent(entry), true))
        return false;
    std::string contents = "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Sweepwise Helper\n"
                           "Exec="
        + quotedExec(helperExecutable)
        + "\n"
          "NoDisplay=true\n"
          "Terminal=false\n"
          "X-GNOME-Autostart-enabled=true\n";
    return platform::FileSystem::writeFileAtomically(entry, contents);
}
