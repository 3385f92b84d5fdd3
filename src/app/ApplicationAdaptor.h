#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

class ApplicationService;

// The org.freedesktop.Application interface of an ApplicationService's bus object.
// The method names are the interface's, so they break the usual naming.
class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    ApplicationAdaptor(QObject* object, ApplicationService& service);

public slots:
    void Activate(const QVariantMap& platformData);
    // Local files only: URIs of other schemes and malformed ones are skipped.
    void Open(const QStringList& uris, const QVariantMap& platformData);
    // Our programs have no actions, so every call is answered with an error.
    void ActivateAction(const QString& actionName, const QVariantList& parameter,
                        const QVariantMap& platformData, const QDBusMessage& message);

private:
    ApplicationService& m_service;
};
