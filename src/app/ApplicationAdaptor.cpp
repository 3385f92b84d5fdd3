#include "app/ApplicationAdaptor.h"

#include "app/ApplicationService.h"
#include "shell/FileURL.h"

#include <QDBusConnection>

ApplicationAdaptor::ApplicationAdaptor(QObject* object, ApplicationService& service)
    : QDBusAbstractAdaptor(object), m_service(service) {}

void ApplicationAdaptor::Activate(const QVariantMap&) {
    m_service.receiveActivate();
}

void ApplicationAdaptor::Open(const QStringList& uris, const QVariantMap&) {
    std::vector<std::string> paths;
    for (const QString& uri : uris) {
        std::optional<std::string> path = FileURL::toPath(uri.toStdString());
        if (path && FileURL::isFileURL(uri.toStdString()) && path->find('\0') == std::string::npos)
            paths.push_back(std::move(*path));
    }
    m_service.receiveOpen(std::move(paths));
}

void ApplicationAdaptor::ActivateAction(const QString& actionName, const QVariantList&,
                                        const QVariantMap&, const QDBusMessage& message) {
    message.setDelayedReply(true);
    m_service.m_connection.send(
        message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                 QStringLiteral("no action named %1").arg(actionName)));
}
