#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

class BusNotificationCenter;
class BusWorkspace;

// Keeps a long-running program on the session bus when the bus goes away and comes
// back at the same address (the session's bus restarted). Qt does not reconnect a
// lost connection, but it does deliver the bus library's local "Disconnected" signal;
// on it the keeper says so in one line and tries a new connection after a pause that
// doubles from half a second up to eight. On success it moves the notification centre
// (with its observers), the workspace and the claimed bus name to the new connection
// and says so in one line. Meanwhile the program carries on without a bus: posted
// notifications are dropped, and files are opened by starting programs. While the
// connection is up, the keeper costs nothing: no timer runs.
//
// Create, use and destroy it on the main thread, whose Qt event loop runs its timer.
class SessionBusKeeper : public QObject {
    Q_OBJECT

public:
    // Only if the local signal cannot be hooked is the connection looked at this often.
    static constexpr std::chrono::milliseconds kCheckInterval{1000};
    static constexpr std::chrono::milliseconds kFirstRetry{500};
    static constexpr std::chrono::milliseconds kLongestRetry{8000};

    // Null without a centre or workspace.
    static std::unique_ptr<SessionBusKeeper> create(std::shared_ptr<BusNotificationCenter> center,
                                                    std::shared_ptr<BusWorkspace> workspace);

    SessionBusKeeper(const SessionBusKeeper&) = delete;
    SessionBusKeeper& operator=(const SessionBusKeeper&) = delete;

    // The connection in use: the one the centre was made on, or the latest one made
    // after a loss (which may be lost as well).
    QDBusConnection connection() const;

private slots:
    void onDisconnected();

private:
    SessionBusKeeper(std::shared_ptr<BusNotificationCenter> center,
                     std::shared_ptr<BusWorkspace> workspace);

    void watch();
    void onTimer();
    bool reconnect();

    std::shared_ptr<BusNotificationCenter> m_center;
    std::shared_ptr<BusWorkspace> m_workspace;
    QTimer m_timer;
    bool m_lost{false};
    bool m_polling{false};
    std::chrono::milliseconds m_retry{kFirstRetry};
    int m_attempts{0};
};
