#include "notification/WindowSystem.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

bool WindowSystem::queuesRequests() {
    // An X server applies a window's opacity only when Qt sends its queued requests.
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

void WindowSystem::flush() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t* connection = x11 ? x11->connection() : nullptr)
        xcb_flush(connection);
}
