#include "app/SingleInstance.h"

#include "app/ApplicationBusClient.h"
#include "app/ApplicationBusName.h"
#include "app/ApplicationService.h"
#include "app/SessionBus.h"
#include "platform/Log.h"

namespace {

// Only the main thread claims and releases the name, so the slot needs no lock.
std::shared_ptr<ApplicationService>& claimedService() {
    static std::shared_ptr<ApplicationService> service;
    return service;
}

} // namespace

bool SingleInstance::claimOrForward(const std::string& bundleIdentifier,
                                    const std::vector<std::string>& files) {
    std::optional<QDBusConnection> bus = SessionBus::connection();
    if (!bus)
        return true;
    return claimOrForward(*bus, bundleIdentifier, files);
}

bool SingleInstance::claimOrForward(const QDBusConnection& connection,
                                    const std::string& bundleIdentifier,
                                    const std::vector<std::string>& files) {
    if (!connection.isConnected())
        return true;
    if (!ApplicationBusName::isValid(bundleIdentifier)) {
        platform::Log::warning(platform::Log::Component::App,
                               bundleIdentifier +
                                   " cannot be a bus name; not checking for other instances");
        return true;
    }
    // The owner may quit between a refused claim and the call to it, so a failed
    // call is followed by one more claim.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (auto service = ApplicationService::claim(connection, bundleIdentifier)) {
            claimedService() = std::move(service);
            return true;
        }
        bool forwarded = files.empty()
                             ? ApplicationBusClient::activate(connection, bundleIdentifier)
                             : ApplicationBusClient::open(connection, bundleIdentifier, files);
        if (forwarded)
            return false;
    }
    platform::Log::error(platform::Log::Component::App,
                         bundleIdentifier + " is running but does not answer");
    return false;
}

std::shared_ptr<ApplicationService> SingleInstance::service() {
    return claimedService();
}

bool SingleInstance::reclaim(const QDBusConnection& connection) {
    std::shared_ptr<ApplicationService>& claimed = claimedService();
    if (!claimed)
        return false;
    std::shared_ptr<ApplicationService> renewed = claimed->claimAgain(connection);
    if (!renewed) {
        platform::Log::error(platform::Log::Component::App,
                             claimed->bundleIdentifier() + " is taken on the new session bus");
        return false;
    }
    claimed = std::move(renewed);
    return true;
}

void SingleInstance::release() {
    claimedService().reset();
}
