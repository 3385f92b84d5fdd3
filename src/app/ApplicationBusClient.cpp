#include "app/ApplicationBusClient.h"

#include "app/ApplicationBusName.h"
#include "shell/FileURL.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

bool call(const QDBusConnection& connection, const std::string& bundleIdentifier,
          const QString& method, const QList<QVariant>& arguments, int timeoutMs) {
    if (!connection.isConnected() || !ApplicationBusName::isValid(bundleIdentifier))
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QString::fromStdString(bundleIdentifier), ApplicationBusName::objectPath(bundleIdentifier),
        ApplicationBusName::kInterface, method);
    message.setAutoStartService(false);
    message.setArguments(arguments);
    QDBusMessage reply = connection.call(message, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

std::string absolutePath(const std::string& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

} // namespace

bool ApplicationBusClient::open(const QDBusConnection& connection,
                                const std::string& bundleIdentifier,
                                const std::vector<std::string>& paths, int timeoutMs) {
    QStringList uris;
    for (const std::string& path : paths)
        uris.append(QString::fromStdString(FileURL::fromPath(absolutePath(path))));
    return call(connection, bundleIdentifier, QStringLiteral("Open"), {uris, QVariantMap()},
                timeoutMs);
}

bool ApplicationBusClient::activate(const QDBusConnection& connection,
                                    const std::string& bundleIdentifier, int timeoutMs) {
    return call(connection, bundleIdentifier, QStringLiteral("Activate"), {QVariantMap()},
                timeoutMs);
}

bool ApplicationBusClient::isRunning(const QDBusConnection& connection,
                                     const std::string& bundleIdentifier) {
    if (!connection.isConnected() || !ApplicationBusName::isValid(bundleIdentifier))
        return false;
    QDBusReply<bool> reply =
        connection.interface()->isServiceRegistered(QString::fromStdString(bundleIdentifier));
    return reply.isValid() && reply.value();
}

std::optional<pid_t> ApplicationBusClient::processIdentifier(const QDBusConnection& connection,
                                                             const std::string& bundleIdentifier) {
    if (!connection.isConnected() || !ApplicationBusName::isValid(bundleIdentifier))
        return std::nullopt;
    QDBusReply<uint> reply =
        connection.interface()->servicePid(QString::fromStdString(bundleIdentifier));
    if (!reply.isValid() || reply.value() == 0)
        return std::nullopt;
    return static_cast<pid_t>(reply.value());
}

std::optional<std::string>
ApplicationBusClient::executablePath(const QDBusConnection& connection,
                                     const std::string& bundleIdentifier) {
    std::optional<pid_t> pid = processIdentifier(connection, bundleIdentifier);
    if (!pid)
        return std::nullopt;
    std::string link = "/proc/" + std::to_string(*pid) + "/exe";
    std::string target(4096, '\0');
    ssize_t length = readlink(link.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
        return std::nullopt;
    target.resize(static_cast<std::size_t>(length));
    // An executable replaced since the process started reads back with this mark.
    constexpr std::string_view kDeleted = " (deleted)";
    if (target.ends_with(kDeleted))
        return std::nullopt;
    return target;
}
