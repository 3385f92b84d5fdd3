#include "app/DesktopNotification.h"

#include "platform/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#include <utility>

namespace {

// NotificationClosed's reason when CloseNotification closed it.
constexpr uint kClosedByCall = 3;

QString escaped(const QString& text, bool markup) {
    return markup ? text.toHtmlEscaped() : text;
}

} // namespace

DesktopNotification::DesktopNotification(ConnectionSource connection,
                                         std::function<void()> onUninstall,
                                         std::function<void()> onIgnore)
    : m_connection(std::move(connection)), m_onUninstall(std::move(onUninstall)),
      m_onIgnore(std::move(onIgnore)) {}

void DesktopNotification::present(const NotificationTexts& texts) {
    m_texts = texts;
    m_wanted = true;
    if (m_id != 0 && m_sentTexts == texts)
        return;
    send();
}

void DesktopNotification::withdraw() {
    m_wanted = false;
    const uint id = std::exchange(m_id, 0);
    if (id == 0)
        return; // A notification on its way is closed when its number comes back.
    if (std::optional<QDBusConnection> bus = m_connection()) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(service, path, interface, "CloseNotification");
        call << id;
        bus->asyncCall(call);
    }
}

bool DesktopNotification::subscribe(QDBusConnection& bus) {
    if (m_subscribed == bus.name())
        return true;
    const bool actions = bus.connect(service, path, interface, "ActionInvoked", this,
                                     SLOT(onActionInvoked(uint, QString)));
    const bool closed = bus.connect(service, path, interface, "NotificationClosed", this,
                                    SLOT(onNotificationClosed(uint, uint)));
    if (!actions || !closed)
        return false;
    m_subscribed = bus.name();
    return true;
}

void DesktopNotification::send() {
    if (m_sending)
        return; // Sent again with the latest texts once the number comes back.
    std::optional<QDBusConnection> bus = m_connection();
    if (!bus) {
        failed("no session bus");
        return;
    }
    if (!subscribe(*bus)) {
        failed("the bus refused the subscription to the service's signals");
        return;
    }
    if (!m_markup) {
        sendWhenCapabilitiesKnown(*bus);
        return;
    }
    m_sending = true;
    m_sentTexts = m_texts;
    const bool markup = *m_markup;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, "Notify");
    const QStringList actions{QString::fromLatin1(uninstallAction), m_texts.uninstallTitle,
                              QString::fromLatin1(ignoreAction), m_texts.ignoreTitle};
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(1));
    call << QStringLiteral("Sweepwise") << m_id << QString() << m_texts.title
         << escaped(m_texts.description, markup) << actions << hints << 0;
    auto* watcher = new QDBusPendingCallWatcher(bus->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                m_sending = false;
                QDBusPendingReply<uint> reply = *call;
                if (reply.isError()) {
                    failed(reply.error().name() + QStringLiteral(": ") + reply.error().message());
                    return;
                }
                m_id = reply.value();
                if (!m_wanted)
                    withdraw();
                else if (m_sentTexts != m_texts)
                    send();
            });
}

void DesktopNotification::sendWhenCapabilitiesKnown(QDBusConnection bus) {
    if (m_waitingForCapabilities)
        return;
    m_waitingForCapabilities = true;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, "GetCapabilities");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
            call->deleteLater();
            m_waitingForCapabilities = false;
            QDBusPendingReply<QStringList> reply = *call;
            if (reply.isError()) {
                failed(reply.error().name() + QStringLiteral(": ") + reply.error().message());
                return;
            }
            if (!reply.value().contains(QStringLiteral("actions")))
                platform::Log::warningOnce(platform::Log::Component::App,
                                           "the desktop's notification service shows no actions: "
                                           "\"Uninstall\" cannot be chosen in its notifications");
            m_markup = reply.value().contains(QStringLiteral("body-markup"));
            if (m_wanted)
                send();
        });
}

void DesktopNotification::failed(const QString& why) {
    platform::Log::warningOnce(platform::Log::Component::App,
                               "cannot show a desktop notification (" + why.toStdString() +
                                   "); applications moved to the Trash are not offered "
                                   "until a notification service runs");
    // Asked again at the next notification: the service may have started by then.
    m_markup.reset();
    m_id = 0;
    // Later, not inside the controller's own call to present().
    if (std::exchange(m_wanted, false) && m_onIgnore)
        QMetaObject::invokeMethod(
            this, [this] { m_onIgnore(); }, Qt::QueuedConnection);
}

bool DesktopNotification::forget() {
    if (m_id == 0)
        return false;
    m_id = 0;
    m_wanted = false;
    return true;
}

void DesktopNotification::onActionInvoked(uint id, const QString& action) {
    if (id == 0 || id != m_id)
        return;
    forget();
    // The service closes it itself after an action; closing it again does no harm.
    if (std::optional<QDBusConnection> bus = m_connection()) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(service, path, interface, "CloseNotification");
        call << id;
        bus->asyncCall(call);
    }
    if (action == QLatin1String(uninstallAction)) {
        if (m_onUninstall)
            m_onUninstall();
    } else if (m_onIgnore) {
        m_onIgnore();
    }
}

void DesktopNotification::onNotificationClosed(uint id, uint reason) {
    if (id == 0 || id != m_id || reason == kClosedByCall)
        return;
    // Dismissed, or gone on its own: the user did not ask for the uninstallation.
    forget();
    if (m_onIgnore)
        m_onIgnore();
}
