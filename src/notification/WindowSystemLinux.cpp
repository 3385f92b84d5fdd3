#include "notification/WindowSystem.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <xcb/xcb.h>

bool WindowSystem::supportsOpacity() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool WindowSystem::queuesRequests() {
    // An X server applies a window's opacity only when Qt sends its queued requests.
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

void WindowSystem::flush() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t* connection = x11 ? x11->connection() : nullptr)
        xcb_flush(connection);
}

bool WindowSystem::isXWayland() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    // XWayland names its screens after itself (XWAYLAND0, ...), one per output of the
    // compositor; an X server's own outputs are named after their connectors.
    const QList<QScreen*> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [](const QScreen* screen) {
        return screen->name().startsWith(QLatin1String("XWAYLAND"));
    });
}
