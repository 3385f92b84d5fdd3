#pragma once

#include <QDBusConnection>
#include <QString>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

using namespace std::chrono_literals;

// Every test process of this suite has its own session bus: a dbus-daemon that the
// suite's environment starts before the first test, and a Qt application whose event
// loop also drives the platform main queue. Programs the tests start inherit the bus.
class PrivateBus {
public:
    static const std::string& address();
    // A connection of its own to the private bus, as another program would have.
    static QDBusConnection connect(const QString& name);
    static void disconnect(const QString& name);
};

// Processes Qt events (and so the main queue) until `predicate` holds; false when
// `timeout` passes first. The timeout is a watchdog, never an expected duration.
bool runEventsUntil(const std::function<bool()>& predicate,
                    std::chrono::milliseconds timeout = 20s);

std::string helperExecutable();
std::string mainExecutable();

// A program started by a test, with the test's environment plus `environment`,
// killed if it is still running when the test ends. It is started with fork and
// exec rather than QProcess, whose way of starting processes ThreadSanitizer cannot
// follow.
class ChildProgram {
public:
    ChildProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& environment = {},
                 const std::string& workingDirectory = {});
    ~ChildProgram();

    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    bool isRunning() const;
    // Waits, processing events, until the program exits; false at the timeout.
    bool waitForExit(std::chrono::milliseconds timeout = 20s);
    // Waits until its standard output or error holds `text`; false when it exits
    // or the timeout passes first.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout = 20s);
    int exitCode() const;
    std::string standardOutput();
    std::string standardError();

    pid_t processIdentifier() const { return m_pid; }

private:
    void collect();
    void reap(int options) const;

    pid_t m_pid{-1};
    int m_outputFd{-1};
    int m_errorFd{-1};
    mutable bool m_exited{false};
    mutable int m_status{0};
    std::string m_output;
    std::string m_error;
};

inline const std::string kHelper = "com.halvorn.Sweepwise-SIII-Helper";

// The environment for our programs in tests: off-screen drawing, and `home` as their home
// folder when one is given.
std::map<std::string, std::string> programEnvironment(const std::string& home = {});

// Waits until `name` is owned on `bus` or not, as `owned` says, or until `program` ends;
// answers whether it then is as asked.
bool waitUntilOwned(const QDBusConnection& bus, const std::string& name, bool owned,
                    const ChildProgram* program = nullptr);

// A minimal application bundle at `path` with the bundle identifier `identifier`.
void makeApplicationBundle(const std::string& path, const std::string& identifier);

// Renames `from` to `to`, failing the test when the rename fails.
void moveItem(const std::string& from, const std::string& to);

// A session bus of a test's own at a fixed address, which the test may stop and start
// again there, as a user's session bus may go away and come back.
class RestartableBus {
public:
    explicit RestartableBus(const std::string& socketPath);

    const std::string& address() const { return m_address; }
    // Starts the daemon and waits until it listens; false when it does not.
    bool start();
    // Kills the daemon at once, as a crash would.
    void kill();

private:
    std::string m_address;
    std::unique_ptr<ChildProgram> m_daemon;
};

} // namespace testing_support
