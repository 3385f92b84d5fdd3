#include "app/BusNotificationCenter.h"

#include "app/BusNotificationReceiver.h"
#include "app/DBusPlistConverter.h"
#include "platform/Log.h"
#include "platform/Utf8.h"

#include <QDBusMessage>
#include <QStringList>

namespace {

// The round trip that confirms the subscription; the bus answers at once.
constexpr int kPingTimeoutMs = 5000;

bool isCarriable(const std::string& text) {
    return text.find('\0') == std::string::npos && platform::Utf8::isValid(text);
}

} // namespace

std::shared_ptr<BusNotificationCenter>
BusNotificationCenter::create(const QDBusConnection& connection) {
    if (!connection.isConnected())
        return nullptr;
    std::shared_ptr<BusNotificationCenter> center(new BusNotificationCenter(connection));
    QDBusConnection bound = center->connection();
    if (!center->subscribe(bound))
        return nullptr;
    return center;
}

bool BusNotificationCenter::subscribe(QDBusConnection& connection) {
    if (!connection.connect(QString(), kPath, kInterface, kSignal, m_receiver.get(),
                            SLOT(onNotification(QDBusMessage))))
        return false;
    // The bus handles one connection's messages in order, so once it has answered
    // this ping the match rule sent before it is in force.
    QDBusMessage ping = QDBusMessage::createMethodCall(
        "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.Peer", "Ping");
    QDBusMessage reply = connection.call(ping, QDBus::Block, kPingTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    connection.disconnect(QString(), kPath, kInterface, kSignal, m_receiver.get(),
                          SLOT(onNotification(QDBusMessage)));
    return false;
}

bool BusNotificationCenter::rebind(const QDBusConnection& connection) {
    QDBusConnection next = connection;
    if (!next.isConnected() || !subscribe(next))
        return false;
    QDBusConnection previous = this->connection();
    previous.disconnect(QString(), kPath, kInterface, kSignal, m_receiver.get(),
                        SLOT(onNotification(QDBusMessage)));
    platform::MutexLock lock(m_connectionLock);
    m_connection = next;
    return true;
}

QDBusConnection BusNotificationCenter::connection() const {
    platform::MutexLock lock(m_connectionLock);
    return m_connection;
}

BusNotificationCenter::BusNotificationCenter(const QDBusConnection& connection)
    : m_connection(connection), m_receiver(std::make_unique<BusNotificationReceiver>(*this)) {}

BusNotificationCenter::~BusNotificationCenter() {
    connection().disconnect(QString(), kPath, kInterface, kSignal, m_receiver.get(),
                            SLOT(onNotification(QDBusMessage)));
}

bool BusNotificationCenter::post(const std::string& name, const std::optional<std::string>& object,
                                 const platform::PlistValue& userInfo) {
    if (name.empty() || !isCarriable(name) || (object && !isCarriable(*object)) ||
        !isValidUserInfo(userInfo))
        return false;
    QVariantMap info;
    if (!userInfo.isNull()) {
        std::optional<QVariantMap> converted = DBusPlistConverter::toVariantMap(userInfo);
        if (!converted)
            return false;
        info = std::move(*converted);
    }
    QStringList objects;
    if (object)
        objects.append(QString::fromStdString(*object));
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, kSignal);
    signal << QString::fromStdString(name) << objects << info;
    QDBusConnection bus = connection();
    if (bus.isConnected() && bus.send(signal))
        return true;
    platform::Log::warning(platform::Log::Component::App,
                           "no session bus; dropped the notification " + name);
    return false;
}

void BusNotificationCenter::receive(const QList<QVariant>& arguments) {
    // Signals of the right signature from programs we did not write are taken as
    // they come; anything else of this name is not ours and is ignored.
    QString name = arguments.at(0).toString();
    QStringList objects = arguments.at(1).toStringList();
    if (name.isEmpty() || objects.size() > 1)
        return;
    std::optional<std::string> object;
    if (!objects.isEmpty())
        object = objects.front().toStdString();
    deliver(name.toStdString(), object,
            DBusPlistConverter::dictionaryFromArgument(arguments.at(2)));
}
