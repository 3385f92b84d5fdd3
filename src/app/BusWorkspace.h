#pragma once

#include "platform/Mutex.h"
#include "shell/Workspace.h"

#include <QDBusConnection>
#include <memory>

// The workspace as our programs see it on the session bus. A program of ours runs
// when some process owns its bundle identifier as a bus name; that process and its
// executable are the running application. Opening a file with an application whose
// identifier is owned hands the file to the owner through Open (opening the
// application itself asks it to Activate); otherwise, and for everything else, the
// base workspace answers, which starts the executable with the file.
class BusWorkspace : public Workspace {
public:
    // Null when the connection is not connected or there is no base workspace.
    static std::shared_ptr<BusWorkspace> create(const QDBusConnection& connection,
                                                std::shared_ptr<Workspace> base);

    // At most one: the owner of the name.
    std::vector<RunningApplication>
    runningApplicationsWithBundleIdentifier(const std::string& bundleIdentifier) override;

    std::vector<std::string>
    allApplicationPathsForBundleIdentifier(const std::string& bundleIdentifier) override;
    std::optional<std::string>
    absolutePathForAppBundleWithIdentifier(const std::string& bundleIdentifier) override;

    // `appPath` is a bundle folder or an executable inside one; its identifier comes
    // from the bundle's Info.plist.
    bool openFile(const std::string& path, const std::string& appPath,
                  Deactivation deactivation) override;

    bool openURL(const std::string& url) override;

    // Asks on `connection` from now on (the bus came back after the old one was lost).
    void rebind(const QDBusConnection& connection) EXCLUDES(m_connectionLock);

private:
    BusWorkspace(const QDBusConnection& connection, std::shared_ptr<Workspace> base)
        : m_connection(connection), m_base(std::move(base)) {}

    QDBusConnection connection() const EXCLUDES(m_connectionLock);

    // The workspace is asked from any thread while the main thread rebinds.
    mutable platform::Mutex m_connectionLock;
    QDBusConnection m_connection GUARDED_BY(m_connectionLock);
    // Set by the constructor and never replaced.
    std::shared_ptr<Workspace> m_base;
};
