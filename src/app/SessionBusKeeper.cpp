#include "app/SessionBusKeeper.h"

#include "app/BusNotificationCenter.h"
#include "app/BusWorkspace.h"
#include "app/SingleInstance.h"
#include "platform/Log.h"

#include <algorithm>

namespace {

constexpr QLatin1StringView kConnectionPrefix("sweepwise-session-");
// What the bus library delivers locally when the connection ends.
const QString kLocalPath = QStringLiteral("/org/freedesktop/DBus/Local");
const QString kLocalInterface = QStringLiteral("org.freedesktop.DBus.Local");
const QString kDisconnected = QStringLiteral("Disconnected");

} // namespace

std::unique_ptr<SessionBusKeeper>
SessionBusKeeper::create(std::shared_ptr<BusNotificationCenter> center,
                         std::shared_ptr<BusWorkspace> workspace) {
    if (!center || !workspace)
        return nullptr;
    return std::unique_ptr<SessionBusKeeper>(
        new SessionBusKeeper(std::move(center), std::move(workspace)));
}

SessionBusKeeper::SessionBusKeeper(std::shared_ptr<BusNotificationCenter> center,
                                   std::shared_ptr<BusWorkspace> workspace)
    : m_center(std::move(center)), m_workspace(std::move(workspace)) {
    m_timer.setSingleShot(true);
    m_timer.callOnTimeout([this] { onTimer(); });
    watch();
}

QDBusConnection SessionBusKeeper::connection() const {
    return m_center->connection();
}

void SessionBusKeeper::watch() {
    m_polling = !connection().connect(QString(), kLocalPath, kLocalInterface, kDisconnected, this,
                                      SLOT(onDisconnected()));
    // The bus may have gone before the hook was in place.
    if (!connection().isConnected())
        onDisconnected();
    else if (m_polling)
        m_timer.start(kCheckInterval);
}

void SessionBusKeeper::onDisconnected() {
    // A connection given up after a reconnection says goodbye too; only the one in use
    // counts.
    if (m_lost || connection().isConnected())
        return;
    m_lost = true;
    m_retry = kFirstRetry;
    platform::Log::warning(platform::Log::Component::App,
                           "lost the session bus; trying to reconnect");
    m_timer.start(m_retry);
}

void SessionBusKeeper::onTimer() {
    if (!m_lost) {
        if (connection().isConnected())
            m_timer.start(kCheckInterval);
        else
            onDisconnected();
        return;
    }
    if (reconnect()) {
        m_lost = false;
        platform::Log::info(platform::Log::Component::App, "back on the session bus");
        watch();
        return;
    }
    m_retry = std::min(m_retry * 2, kLongestRetry);
    m_timer.start(m_retry);
}

bool SessionBusKeeper::reconnect() {
    // Each attempt needs a name of its own: Qt hands out an existing connection of
    // the same name, lost or not.
    QString name = QStringLiteral("%1%2").arg(kConnectionPrefix).arg(++m_attempts);
    QDBusConnection next = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    QString previous = connection().name();
    if (!next.isConnected() || !m_center->rebind(next)) {
        QDBusConnection::disconnectFromBus(name);
        return false;
    }
    m_workspace->rebind(next);
    SingleInstance::reclaim(next);
    // The first connection is Qt's own session bus, which stays registered.
    if (previous.startsWith(kConnectionPrefix))
        QDBusConnection::disconnectFromBus(previous);
    return true;
}
