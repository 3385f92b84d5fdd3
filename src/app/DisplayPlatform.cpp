#include "app/DisplayPlatform.h"

#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::vector<std::string> splitList(std::string_view list) {
    std::vector<std::string> parts;
    while (!list.empty()) {
        const std::size_t end = std::min(list.find(';'), list.size());
        if (end > 0)
            parts.emplace_back(list.substr(0, end));
        list.remove_prefix(std::min(end + 1, list.size()));
    }
    return parts;
}

// A platform's name without its arguments ("xcb:foo=1" is "xcb").
std::string_view nameOf(std::string_view platform) {
    return platform.substr(0, platform.find(':'));
}

constexpr std::string_view kFallback = "offscreen";

} // namespace

DisplayPlatform::Environment DisplayPlatform::Environment::current() {
    return {variable("QT_QPA_PLATFORM"), variable("DISPLAY"), variable("WAYLAND_DISPLAY")};
}

std::string DisplayPlatform::choose(const Environment& environment) {
    std::vector<std::string> platforms;
    for (std::string& platform : splitList(environment.qpaPlatform)) {
        if (!nameOf(platform).starts_with("wayland"))
            platforms.push_back(std::move(platform));
    }
    // Without an X display to reach, trying X11 would only add a warning to the log.
    if (platforms.empty() && !environment.display.empty())
        platforms.emplace_back("xcb");
    bool hasFallback = false;
    for (const std::string& platform : platforms)
        hasFallback = hasFallback || nameOf(platform) == kFallback;
    if (!hasFallback)
        platforms.emplace_back(kFallback);
    std::string list;
    for (const std::string& platform : platforms)
        list += (list.empty() ? "" : ";") + platform;
    return list;
}

void DisplayPlatform::prepare() {
    const std::string choice = choose(Environment::current());
    qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(choice));
}

bool DisplayPlatform::canPlacePanels(const std::string& platform) {
    return platform == "xcb";
}

std::string DisplayPlatform::whyPanelsCannotShow(const Environment& environment,
                                                 const std::string& platform) {
    if (nameOf(platform) != kFallback)
        return "Qt's platform \"" + platform + "\" cannot place it";
    if (!environment.display.empty() && choose(environment).find("xcb") == std::string::npos)
        return "QT_QPA_PLATFORM is \"" + environment.qpaPlatform + "\"";
    if (!environment.display.empty())
        return "the X display " + environment.display + " cannot be reached";
    if (!environment.waylandDisplay.empty())
        return "this Wayland session has no XWayland (no DISPLAY)";
    return "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
}
