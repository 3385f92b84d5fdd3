#include "app/ApplicationService.h"

#include "app/ApplicationAdaptor.h"
#include "app/ApplicationBusName.h"
#include "platform/MainQueue.h"

#include <QDBusConnectionInterface>
#include <QObject>

std::shared_ptr<ApplicationService> ApplicationService::claim(const QDBusConnection& connection,
                                                              const std::string& bundleIdentifier) {
    if (!connection.isConnected() || !ApplicationBusName::isValid(bundleIdentifier))
        return nullptr;
    std::shared_ptr<ApplicationService> service(
        new ApplicationService(connection, bundleIdentifier));
    QDBusConnectionInterface* bus = service->m_connection.interface();
    if (!bus)
        return nullptr;
    if (!service->m_connection.registerObject(ApplicationBusName::objectPath(bundleIdentifier),
                                              service->m_object.get(),
                                              QDBusConnection::ExportAdaptors))
        return nullptr;
    QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus->registerService(
        QString::fromStdString(bundleIdentifier), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return nullptr;
    service->m_ownsName = true;
    return service;
}

ApplicationService::ApplicationService(const QDBusConnection& connection,
                                       std::string bundleIdentifier)
    : m_connection(connection), m_bundleIdentifier(std::move(bundleIdentifier)),
      m_object(std::make_unique<QObject>()) {
    // The adaptor is a child of the object and goes with it.
    new ApplicationAdaptor(m_object.get(), *this);
}

ApplicationService::~ApplicationService() {
    QDBusConnectionInterface* bus = m_connection.interface();
    if (m_ownsName && bus)
        bus->unregisterService(QString::fromStdString(m_bundleIdentifier));
    m_connection.unregisterObject(ApplicationBusName::objectPath(m_bundleIdentifier));
}

std::shared_ptr<ApplicationService>
ApplicationService::claimAgain(const QDBusConnection& connection) const {
    std::shared_ptr<ApplicationService> service = claim(connection, m_bundleIdentifier);
    if (service)
        service->m_handlers = m_handlers;
    return service;
}

void ApplicationService::setOpenHandler(OpenHandler handler) {
    m_handlers->open = std::move(handler);
    if (m_handlers->open && !m_handlers->pendingPaths.empty())
        receiveOpen({});
}

void ApplicationService::setActivateHandler(ActivateHandler handler) {
    m_handlers->activate = std::move(handler);
}

void ApplicationService::receiveOpen(std::vector<std::string> paths) {
    Handlers& handlers = *m_handlers;
    handlers.pendingPaths.insert(handlers.pendingPaths.end(), paths.begin(), paths.end());
    if (!handlers.open || handlers.pendingPaths.empty())
        return;
    platform::MainQueue::shared().async([weak = std::weak_ptr<Handlers>(m_handlers)] {
        auto alive = weak.lock();
        if (!alive || !alive->open || alive->pendingPaths.empty())
            return;
        std::vector<std::string> ready = std::exchange(alive->pendingPaths, {});
        // A copy, so that the handler may replace itself.
        OpenHandler handler = alive->open;
        handler(ready);
    });
}

void ApplicationService::receiveActivate() {
    platform::MainQueue::shared().async([weak = std::weak_ptr<Handlers>(m_handlers)] {
        auto alive = weak.lock();
        if (!alive || !alive->activate)
            return;
        ActivateHandler handler = alive->activate;
        handler();
    });
}
