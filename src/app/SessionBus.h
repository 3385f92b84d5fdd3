#pragma once

#include <QDBusConnection>
#include <memory>
#include <optional>
#include <string>

class SessionBusKeeper;

// The session bus of the user's login session, shared by the helper and the main
// application. Without one (no DBUS_SESSION_BUS_ADDRESS, or nothing listening at
// it) both programs keep working: notifications stay inside the process, nothing
// is broadcast, no other program is seen running, and every program counts as the
// only instance of itself.
class SessionBus {
public:
    // The connection, or none when there is no session bus; `whyNot` then receives
    // the reason.
    static std::optional<QDBusConnection> connection(std::string* whyNot = nullptr);

    // Makes the session-bus notification centre and workspace the process's shared
    // ones, or keeps the in-process centre and the system workspace when there is no
    // bus, saying so in one line on the standard error. Call it on the main thread
    // once the application object exists. Answers whether the bus is used.
    static bool install();

    // As install(), and keeps the program on the bus when the bus goes away and
    // comes back, for as long as the answer is kept (see SessionBusKeeper). Null when
    // no bus is used.
    static std::unique_ptr<SessionBusKeeper> installKept();

private:
    static bool install(std::unique_ptr<SessionBusKeeper>* keeper);
};
