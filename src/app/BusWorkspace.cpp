#include "app/BusWorkspace.h"

#include "app/ApplicationBusClient.h"
#include "platform/Bundle.h"
#include "platform/FileSystem.h"

namespace {

// The bundle an application path names: the folder itself, or the bundle around an
// executable.
std::shared_ptr<platform::Bundle> bundleOfApplication(const std::string& appPath) {
    bool isDirectory = false;
    if (!platform::FileSystem::fileExists(appPath, &isDirectory))
        return nullptr;
    if (isDirectory)
        return platform::Bundle::create(appPath);
    std::optional<std::string> enclosing = platform::Bundle::enclosingAppPath(appPath);
    return enclosing ? platform::Bundle::create(*enclosing) : nullptr;
}

} // namespace

std::shared_ptr<BusWorkspace> BusWorkspace::create(const QDBusConnection& connection,
                                                   std::shared_ptr<Workspace> base) {
    if (!connection.isConnected() || !base)
        return nullptr;
    return std::shared_ptr<BusWorkspace>(new BusWorkspace(connection, std::move(base)));
}

void BusWorkspace::rebind(const QDBusConnection& connection) {
    platform::MutexLock lock(m_connectionLock);
    m_connection = connection;
}

QDBusConnection BusWorkspace::connection() const {
    platform::MutexLock lock(m_connectionLock);
    return m_connection;
}

std::vector<Workspace::RunningApplication>
BusWorkspace::runningApplicationsWithBundleIdentifier(const std::string& bundleIdentifier) {
    QDBusConnection bus = connection();
    std::optional<pid_t> pid = ApplicationBusClient::processIdentifier(bus, bundleIdentifier);
    if (!pid)
        return {};
    std::optional<std::string> executable =
        ApplicationBusClient::executablePath(bus, bundleIdentifier);
    return {RunningApplication{*pid, executable.value_or(std::string())}};
}

std::vector<std::string>
BusWorkspace::allApplicationPathsForBundleIdentifier(const std::string& bundleIdentifier) {
    return m_base->allApplicationPathsForBundleIdentifier(bundleIdentifier);
}

std::optional<std::string>
BusWorkspace::absolutePathForAppBundleWithIdentifier(const std::string& bundleIdentifier) {
    return m_base->absolutePathForAppBundleWithIdentifier(bundleIdentifier);
}

bool BusWorkspace::openFile(const std::string& path, const std::string& appPath,
                            Deactivation deactivation) {
    if (path.empty() || appPath.empty())
        return false;
    auto bundle = bundleOfApplication(appPath);
    std::optional<std::string> identifier = bundle ? bundle->bundleIdentifier() : std::nullopt;
    QDBusConnection bus = connection();
    if (identifier && ApplicationBusClient::isRunning(bus, *identifier)) {
        bool opensItself =
            path == appPath || path == bundle->bundlePath() || path == bundle->executablePath();
        bool delivered = opensItself ? ApplicationBusClient::activate(bus, *identifier)
                                     : ApplicationBusClient::open(bus, *identifier, {path});
        if (delivered)
            return true;
    }
    return m_base->openFile(path, appPath, deactivation);
}

bool BusWorkspace::openURL(const std::string& url) {
    return m_base->openURL(url);
}
