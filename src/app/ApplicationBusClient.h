#pragma once

#include <QDBusConnection>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// Talks to a running program of ours through the name and interface that its
// ApplicationService serves. The bus never starts a program for these calls.
class ApplicationBusClient {
public:
    static constexpr int kDefaultTimeoutMs = 5000;

    // Hands `paths` (made absolute against the current folder) to the running
    // program through Open; false when no program owns the name or it does not
    // answer in time.
    static bool open(const QDBusConnection& connection, const std::string& bundleIdentifier,
                     const std::vector<std::string>& paths, int timeoutMs = kDefaultTimeoutMs);

    static bool activate(const QDBusConnection& connection, const std::string& bundleIdentifier,
                         int timeoutMs = kDefaultTimeoutMs);

    static bool isRunning(const QDBusConnection& connection, const std::string& bundleIdentifier);

    // The process that owns the name, as the bus knows it.
    static std::optional<pid_t> processIdentifier(const QDBusConnection& connection,
                                                  const std::string& bundleIdentifier);

    // That process's executable, read from /proc.
    static std::optional<std::string> executablePath(const QDBusConnection& connection,
                                                     const std::string& bundleIdentifier);
};
