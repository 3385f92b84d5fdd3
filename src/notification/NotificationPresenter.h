#pragma once

#include <QString>

// What a notification says, with the titles of its two actions.
struct NotificationTexts {
    QString title;
    QString description;
    QString uninstallTitle;
    QString ignoreTitle;

    bool operator==(const NotificationTexts&) const = default;
};

// Shows the notification where the panel's window cannot be placed: the controller
// hands it the texts whenever they change, and takes it away when the notification
// ends. Whoever implements it reports the user's choice back to the controller
// (onSelectCompleteUninstall, onNotificationClose). Main thread only.
class NotificationPresenter {
public:
    virtual ~NotificationPresenter() = default;

    // Shows the notification, or brings the one shown up to date.
    virtual void present(const NotificationTexts& texts) = 0;
    // Takes the notification away; nothing when none is shown.
    virtual void withdraw() = 0;
};
