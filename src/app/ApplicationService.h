#pragma once

#include <QDBusConnection>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ApplicationAdaptor;
class QObject;

// A program's presence on the session bus: it owns its bundle identifier as a
// well-known name and serves org.freedesktop.Application (Activate, Open,
// ActivateAction) at the path ApplicationBusName derives from it. Open is the
// program's open-file entry.
//
// Handlers run on the main queue. Files that arrive before an open handler is set
// are kept and handed to the first one. Create, use and destroy the service on
// the main thread; destroying it gives the name up.
class ApplicationService {
public:
    using OpenHandler = std::function<void(const std::vector<std::string>& paths)>;
    using ActivateHandler = std::function<void()>;

    // Null when the name is invalid or already owned, or the bus refuses it. The
    // object is registered before the name is requested, so whoever sees the name
    // owned can call it at once.
    static std::shared_ptr<ApplicationService> claim(const QDBusConnection& connection,
                                                     const std::string& bundleIdentifier);

    ~ApplicationService();

    ApplicationService(const ApplicationService&) = delete;
    ApplicationService& operator=(const ApplicationService&) = delete;

    const std::string& bundleIdentifier() const { return m_bundleIdentifier; }

    void setOpenHandler(OpenHandler handler);
    void setActivateHandler(ActivateHandler handler);

    // Claims the same name on another connection, with the same handlers (the bus came
    // back after this service's connection was lost); null as for claim().
    std::shared_ptr<ApplicationService> claimAgain(const QDBusConnection& connection) const;

private:
    friend class ApplicationAdaptor;

    // What the adaptor and the queued handler calls share; it outlives the service
    // while calls are still waiting on the main queue.
    struct Handlers {
        OpenHandler open;
        ActivateHandler activate;
        std::vector<std::string> pendingPaths;
    };

    ApplicationService(const QDBusConnection& connection, std::string bundleIdentifier);

    void receiveOpen(std::vector<std::string> paths);
    void receiveActivate();

    QDBusConnection m_connection;
    std::string m_bundleIdentifier;
    std::shared_ptr<Handlers> m_handlers{std::make_shared<Handlers>()};
    std::unique_ptr<QObject> m_object;
    bool m_ownsName{false};
};
