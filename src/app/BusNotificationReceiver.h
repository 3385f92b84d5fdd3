#pragma once

#include <QDBusMessage>
#include <QObject>

class BusNotificationCenter;

// The Qt object whose slot the bus calls with each notification signal; it lives
// and dies with its centre.
class BusNotificationReceiver : public QObject {
    Q_OBJECT

public:
    explicit BusNotificationReceiver(BusNotificationCenter& center) : m_center(center) {}

public slots:
    void onNotification(const QDBusMessage& message);

private:
    BusNotificationCenter& m_center;
};
