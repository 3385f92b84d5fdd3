#include "app/SessionBusKeeper.h"

#include "app/BusNotificationCenter.h"
#include "app/BusWorkspace.h"
#include "app/SingleInstance.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr QLatin1StringView kConnectionPrefix("sweepwise-session-");

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
    m_timer.callOnTimeout([this] { check(); });
    m_timer.start(kCheckInterval);
}

QDBusConnection SessionBusKeeper::connection() const {
    return m_center->connection();
}

void SessionBusKeeper::check() {
    if (!m_lost) {
        if (!connection().isConnected()) {
            m_lost = true;
            m_retry = kFirstRetry;
            std::fputs("sweepwise: lost the session bus; trying to reconnect\n", stderr);
        }
    } else if (reconnect()) {
        m_lost = false;
        std::fputs("sweepwise: back on the session bus\n", stderr);
    } else {
        m_retry = std::min(m_retry * 2, kLongestRetry);
    }
    m_timer.start(m_lost ? m_retry : kCheckInterval);
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
