#include "app/ApplicationBusClient.h"
#include "app/BusNotificationCenter.h"
#include "app/BusTestSupport.h"
#include "shell/MonitorTrashDistributedNotificationNames.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace testing_support;
using Names = MonitorTrashDistributedNotificationNames;

namespace {

// Processor time a process has used so far, in clock ticks: utime and stime, the 12th and
// 13th fields after the command name.
long cpuTicks(pid_t pid) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string skipped;
    long user = 0, system = 0;
    for (int index = 1; index < 12; ++index)
        fields >> skipped;
    fields >> user >> system;
    return user + system;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A listener of our own on the bus, as the main application would be.
struct Listener {
    explicit Listener(const std::string& address, const QString& name)
        : bus(QDBusConnection::connectToBus(QString::fromStdString(address), name)),
          center(BusNotificationCenter::create(bus)) {
        if (center)
            center->addObserver(Names::userDidMoveApplicationToTrashEvent,
                                [this](const auto&, const auto& object, const auto&) {
                                    moved.push_back(object.value_or("(none)"));
                                });
    }
    QDBusConnection bus;
    std::shared_ptr<BusNotificationCenter> center;
    std::vector<std::string> moved;
};

} // namespace

// The session bus dies under a running helper and comes back at the same address. Without
// it the helper keeps watching and offering, drops (rather than keeps) what it would have
// broadcast and stays idle; once the bus is back it rejoins it on its own: its name, its
// broadcasts and its answers to the main application are there again.
TEST(BusReconnection, TheHelperCarriesOnWithoutTheBusAndRejoinsItWhenItReturns) {
    std::string home = Sandbox::process().makeFolder("home");
    // No Trash yet: the helper makes one at start, and the moves below go into it.
    std::string trash = home + "/.local/share/Trash/files";
    std::string apps = home + "/Applications";
    for (const char* name : {"Before", "During", "After"})
        makeApplicationBundle(apps + "/" + name + ".app", std::string("com.example.") + name);

    RestartableBus bus(Sandbox::process().makeFolder("restarting-bus") + "/socket");
    ASSERT_TRUE(bus.start());
    auto environment = programEnvironment(home);
    environment["DBUS_SESSION_BUS_ADDRESS"] = bus.address();
    ChildProgram helper(helperExecutable(), {}, environment);

    {
        Listener first(bus.address(), "reconnection-first");
        ASSERT_NE(first.center, nullptr);
        ASSERT_TRUE(waitUntilOwned(first.bus, kHelper, true, &helper)) << helper.standardError();
        moveItem(apps + "/Before.app", trash + "/Before.app");
        ASSERT_TRUE(runEventsUntil([&] { return !first.moved.empty(); })) << helper.standardError();
        bus.kill();
    }
    QDBusConnection::disconnectFromBus("reconnection-first");

    ASSERT_TRUE(helper.waitForOutput("sweepwise: app: warning: lost the session bus"))
        << helper.standardError();
    long ticksBefore = cpuTicks(helper.processIdentifier());
    auto clockBefore = std::chrono::steady_clock::now();
    moveItem(apps + "/During.app", trash + "/During.app");
    ASSERT_TRUE(helper.waitForOutput("sweepwise: app: offering " + trash + "/During.app\n"))
        << helper.standardError();
    EXPECT_TRUE(helper.waitForOutput("dropped the notification " +
                                     std::string(Names::userDidMoveApplicationToTrashEvent)));
    // Waiting for a bus must not keep a processor busy: the watcher's quiet period alone
    // took two seconds, of which the helper may have used at most half.
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - clockBefore).count();
    double used = static_cast<double>(cpuTicks(helper.processIdentifier()) - ticksBefore) /
                  sysconf(_SC_CLK_TCK);
    EXPECT_LT(used, seconds / 2) << "seconds of processor time in " << seconds << " s";

    ASSERT_TRUE(bus.start());
    ASSERT_TRUE(helper.waitForOutput("sweepwise: app: back on the session bus", 30s))
        << helper.standardError();
    Listener second(bus.address(), "reconnection-second");
    ASSERT_NE(second.center, nullptr);
    EXPECT_TRUE(ApplicationBusClient::isRunning(second.bus, kHelper));
    moveItem(apps + "/After.app", trash + "/After.app");
    ASSERT_TRUE(runEventsUntil([&] { return !second.moved.empty(); })) << helper.standardError();
    // The main application's question reaches the helper's observer on the new bus, and the
    // Trash the helper made can be listed.
    ChildProgram ask(mainExecutable(), {"fda"}, environment);
    ASSERT_TRUE(ask.waitForExit());
    EXPECT_EQ(ask.standardOutput(), "Full Disk Access: granted\n") << ask.standardError();
    EXPECT_EQ(second.moved, std::vector<std::string>{trash + "/After.app"})
        << "what was dropped while the bus was away is not sent late";

    EXPECT_TRUE(helper.isRunning()) << helper.standardError();
    std::string log = helper.standardError();
    EXPECT_EQ(occurrences(log, "lost the session bus"), 1u) << log;
    EXPECT_EQ(occurrences(log, "back on the session bus"), 1u) << log;
    EXPECT_EQ(occurrences(log, "dropped the notification"), 1u) << log;
    QDBusConnection::disconnectFromBus("reconnection-second");
}
