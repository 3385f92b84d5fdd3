#include "app/SessionBus.h"

#include "app/BusNotificationCenter.h"
#include "app/BusWorkspace.h"
#include "app/SessionBusKeeper.h"
#include "platform/Log.h"

#include <QDBusError>

std::optional<QDBusConnection> SessionBus::connection(std::string* whyNot) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        return bus;
    if (whyNot) {
        QString reason = bus.lastError().message();
        *whyNot = reason.isEmpty() ? std::string("not connected") : reason.toStdString();
    }
    return std::nullopt;
}

bool SessionBus::install() {
    return install(nullptr);
}

std::unique_ptr<SessionBusKeeper> SessionBus::installKept() {
    std::unique_ptr<SessionBusKeeper> keeper;
    install(&keeper);
    return keeper;
}

bool SessionBus::install(std::unique_ptr<SessionBusKeeper>* keeper) {
    std::string whyNot;
    std::optional<QDBusConnection> bus = connection(&whyNot);
    std::shared_ptr<BusNotificationCenter> center =
        bus ? BusNotificationCenter::create(*bus) : nullptr;
    if (!center) {
        if (bus)
            whyNot = "the bus refused the subscription to notifications";
        platform::Log::warning(platform::Log::Component::App,
                               "no session bus (" + whyNot +
                                   "); notifications stay inside this process");
        return false;
    }
    std::shared_ptr<BusWorkspace> workspace =
        BusWorkspace::create(*bus, Workspace::createSystemWorkspace());
    if (keeper)
        *keeper = SessionBusKeeper::create(center, workspace);
    DistributedNotificationCenter::setShared(std::move(center));
    Workspace::setShared(std::move(workspace));
    return true;
}
