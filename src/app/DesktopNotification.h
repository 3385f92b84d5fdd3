#pragma once

#include "notification/NotificationPresenter.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The panel as a notification of the desktop's notification service
// (org.freedesktop.Notifications on the session bus), for sessions where the panel's
// window cannot be placed. It carries the panel's title and description (as markup
// where the service reads markup, each text escaped) and two actions, "uninstall" and
// "ignore", titled as the panel's buttons. Choosing one runs its handler; dismissing
// the notification counts as "Ignore". The notification stays until the user acts.
//
// Without a bus or a service, the first attempt says so in one line of the log and
// counts as "Ignore", so that the next application is offered afresh (a service that
// starts later is used then). The service is only ever called asynchronously: one that
// hangs never holds up the helper.
//
// Main thread only.
class DesktopNotification : public QObject, public NotificationPresenter {
    Q_OBJECT

public:
    static constexpr const char* service = "org.freedesktop.Notifications";
    static constexpr const char* path = "/org/freedesktop/Notifications";
    static constexpr const char* interface = "org.freedesktop.Notifications";
    static constexpr const char* uninstallAction = "uninstall";
    static constexpr const char* ignoreAction = "ignore";

    // The session bus connection to use at the moment, none without a bus.
    using ConnectionSource = std::function<std::optional<QDBusConnection>()>;

    DesktopNotification(ConnectionSource connection, std::function<void()> onUninstall,
                        std::function<void()> onIgnore);

    void present(const NotificationTexts& texts) override;
    void withdraw() override;

    // The service's number of the notification shown, 0 when none is.
    uint notificationId() const { return m_id; }

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onNotificationClosed(uint id, uint reason);

private:
    void send();
    void sendWhenCapabilitiesKnown(QDBusConnection bus);
    void failed(const QString& why);
    bool subscribe(QDBusConnection& bus);
    // Forgets the notification shown; answers whether there was one.
    bool forget();

    ConnectionSource m_connection;
    std::function<void()> m_onUninstall;
    std::function<void()> m_onIgnore;
    // The connection whose signals are heard.
    QString m_subscribed;
    std::optional<bool> m_markup;

    NotificationTexts m_texts;
    NotificationTexts m_sentTexts;
    // A notification is wanted, sent or on its way.
    bool m_wanted{false};
    bool m_sending{false};
    bool m_waitingForCapabilities{false};
    uint m_id{0};
};
