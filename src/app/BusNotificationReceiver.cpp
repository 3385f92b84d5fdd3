#include "app/BusNotificationReceiver.h"

#include "app/BusNotificationCenter.h"

void BusNotificationReceiver::onNotification(const QDBusMessage& message) {
    if (message.signature() == QLatin1String(BusNotificationCenter::kSignature) &&
        message.arguments().size() == 3)
        m_center.receive(message.arguments());
}
