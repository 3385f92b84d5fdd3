#pragma once

#include "platform/Mutex.h"
#include "shell/DistributedNotificationCenter.h"

#include <QDBusConnection>
#include <memory>

class BusNotificationReceiver;

// Distributed notifications on the session bus: each one is a broadcast signal
//
//     path      /com/halvorn/Sweepwise/DistributedNotification
//     interface com.halvorn.Sweepwise.DistributedNotification
//     member    Notification (s name, as object, a{sv} userInfo)
//
// where `object` holds at most one string (none when empty). Every centre
// receives every such signal, its own included, and hands it to the observers of
// its name. Create and destroy it on the main thread, whose Qt event loop
// receives the signals.
class BusNotificationCenter : public DistributedNotificationCenter {
public:
    static constexpr const char* kPath = "/com/halvorn/Sweepwise/DistributedNotification";
    static constexpr const char* kInterface = "com.halvorn.Sweepwise.DistributedNotification";
    static constexpr const char* kSignal = "Notification";
    static constexpr const char* kSignature = "sasa{sv}";

    // Null when the connection is not connected or the bus refuses the
    // subscription. Once it returns, every notification posted afterwards by any
    // program on the bus reaches this centre.
    static std::shared_ptr<BusNotificationCenter> create(const QDBusConnection& connection);

    ~BusNotificationCenter() override;

    // Also false when the bus connection is lost: the notification is dropped, with
    // a line on the standard error, never kept for later. The poster's own observers
    // are told when the signal comes back from the bus, like everybody else's.
    bool post(const std::string& name, const std::optional<std::string>& object,
              const platform::PlistValue& userInfo = {}) override;

    // Moves the centre, with its observers, to a new connection (the bus came back
    // after its connection was lost). On false the centre stays where it was.
    bool rebind(const QDBusConnection& connection) EXCLUDES(m_connectionLock);

    // The connection it uses now.
    QDBusConnection connection() const EXCLUDES(m_connectionLock);

private:
    friend class BusNotificationReceiver;

    explicit BusNotificationCenter(const QDBusConnection& connection);

    // Subscribes the receiver to the notification signal on `connection` and waits
    // until the bus has the subscription in force.
    bool subscribe(QDBusConnection& connection);
    void receive(const QList<QVariant>& arguments);

    // Posting may happen on any thread while the main thread rebinds.
    mutable platform::Mutex m_connectionLock;
    QDBusConnection m_connection GUARDED_BY(m_connectionLock);
    // Made by the constructor and never replaced.
    std::unique_ptr<BusNotificationReceiver> m_receiver;
};
