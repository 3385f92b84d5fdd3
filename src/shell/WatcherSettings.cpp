#include "shell/WatcherSettings.h"

#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Utf8.h"
#include "shell/PathsGenerator.h"

using platform::Path;

namespace {

// One argument of a desktop entry's Exec line, quoted: a backslash before '"', '`', '$'
// and '\\', and "%%" for '%', which would otherwise start a field code.
std::string quotedArgument(const std::string& text) {
    std::string argument = "\"";
    for (char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            argument += '\\';
        if (c == '%')
            argument += '%';
        argument += c;
    }
    return argument + '"';
}

// The Exec value that starts the helper at `path`. The command line is a string value,
// whose own escape doubles every backslash once more, so a literal backslash in the
// path takes four. GLib, which starts autostart entries on many desktops, looks for the
// program before it expands "%%", so it would not find a path with a '%'; such a path
// is started through the shell, with the path as an argument that GLib does expand.
// Control characters have no place in a string value and bytes that are not UTF-8
// none in the file: such a path gets no entry.
std::optional<std::string> execValue(const std::string& path) {
    if (path.empty() || !platform::Utf8::isValid(path))
        return std::nullopt;
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return std::nullopt;
    }
    std::string commandLine = quotedArgument(path);
    if (path.find('%') != std::string::npos)
        commandLine = "/bin/sh -c " + quotedArgument("exec \"$0\"") + " " + commandLine;

    std::string value;
    for (char c : commandLine) {
        if (c == '\\')
            value += '\\';
        value += c;
    }
    return value;
}

} // namespace

WatcherSettings& WatcherSettings::GetInstance() {
    static WatcherSettings instance;
    return instance;
}

std::string WatcherSettings::loginItemEntryPath() const {
    std::string autostart =
        Path::appending(PathsGenerator::GetInstance().getHomeDirectory(), ".config/autostart");
    return Path::appending(autostart, getHelperAppBundleID() + ".desktop");
}

std::optional<std::string> WatcherSettings::helperExecutableInMainBundle() const {
    auto mainBundle = platform::Bundle::mainBundle();
    if (!mainBundle)
        return std::nullopt;
    std::string loginItems =
        Path::appending(mainBundle->bundlePath(), "Contents/Library/LoginItems");
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

bool WatcherSettings::enableHelperInLoginItems(bool enabled) const {
    if (!enabled)
        return enableHelperInLoginItems(false, {});
    std::optional<std::string> executable = helperExecutableInMainBundle();
    return executable && enableHelperInLoginItems(true, *executable);
}

bool WatcherSettings::enableHelperInLoginItems(bool enabled,
                                               const std::string& helperExecutable) const {
    std::string entry = loginItemEntryPath();
    if (!enabled) {
        bool exists = platform::FileSystem::itemExistsNoFollow(entry);
        return !exists || platform::FileSystem::removeItem(entry);
    }
    const std::optional<std::string> exec = execValue(helperExecutable);
    if (!exec)
        return false;
    if (!platform::FileSystem::createDirectory(Path::deletingLastComponent(entry), true))
        return false;
    std::string contents = "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Sweepwise Helper\n"
                           "Exec=" +
                           *exec +
                           "\n"
                           "NoDisplay=true\n"
                           "Terminal=false\n"
                           "X-GNOME-Autostart-enabled=true\n";
    return platform::FileSystem::writeFileAtomically(entry, contents);
}
