#pragma once

#include <optional>
#include <string>

// The Qt platform the helper runs on, chosen before the application object exists.
//
// The panel stands in the screen's top-right corner above the other windows without
// taking the keyboard focus, which needs a window system that lets a program place its
// own windows: X11, in a Wayland session through XWayland. Qt's Wayland platform leaves
// the place of a window to the compositor and takes the focus with it, so the helper
// never runs on it. In a Wayland session without XWayland, and with no display at all,
// it runs offscreen: it keeps watching and broadcasting, and offers applications as
// desktop notifications instead (DesktopNotification). The offscreen platform ends
// every choice, so that a display that cannot be reached never ends the program, as Qt
// does when no platform loads.
class DisplayPlatform {
public:
    // The variables the choice depends on; unset ones are empty.
    struct Environment {
        std::string qpaPlatform;    // QT_QPA_PLATFORM
        std::string display;        // DISPLAY
        std::string waylandDisplay; // WAYLAND_DISPLAY

        static Environment current();
    };

    // QT_QPA_PLATFORM for the helper: platforms separated by ";", which Qt tries in turn.
    // A platform named by the user stays first unless it is Wayland's.
    static std::string choose(const Environment& environment);

    // Sets QT_QPA_PLATFORM to the choice; call before the application object exists.
    static void prepare();

    // Whether the panel can be shown as a window placed in the corner when Qt runs on
    // `platform` (QGuiApplication::platformName()).
    static bool canPlacePanels(const std::string& platform);
    // Why it cannot, for the log, when Qt runs on `platform`.
    static std::string whyPanelsCannotShow(const Environment& environment,
                                           const std::string& platform);
};
