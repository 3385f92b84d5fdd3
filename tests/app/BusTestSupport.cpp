#include "app/BusTestSupport.h"

#include "app/MainQueueHost.h"
#include "platform/MainQueue.h"
#include "support/Sandbox.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <sys/prctl.h>
#include <sys/stat.h>

namespace testing_support {

namespace {

// Ends a started program together with the test process, even when the test
// process dies without cleaning up.
void killWithParent(QProcess& process)
{
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

std::string& busAddress()
{
    static std::string address;
    return address;
}

class BusTestEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        std::string runtime = Sandbox::process().makeFolder("runtime");
        chmod(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        // The application object outlives every test and is never destroyed: Qt's
        // bus connections are torn down by Qt itself at exit.
        if (!QCoreApplication::instance())
            new QCoreApplication(m_argc, m_argv);

        std::string folder = Sandbox::process().makeFolder("bus");
        m_daemon = std::make_unique<QProcess>();
        killWithParent(*m_daemon);
        m_daemon->start(QStringLiteral("dbus-daemon"),
                        {QStringLiteral("--session"), QStringLiteral("--nofork"),
                         QStringLiteral("--print-address=1"),
                         QString::fromStdString("--address=unix:dir=" + folder)});
        ASSERT_TRUE(m_daemon->waitForStarted(10000)) << "cannot start dbus-daemon";
        while (!m_daemon->canReadLine())
            ASSERT_TRUE(m_daemon->waitForReadyRead(10000)) << "dbus-daemon printed no address";
        busAddress() = m_daemon->readLine().trimmed().toStdString();
        setenv("DBUS_SESSION_BUS_ADDRESS", busAddress().c_str(), 1);

        m_host = MainQueueHost::create(platform::MainQueue::shared());
        ASSERT_NE(m_host, nullptr);
    }

    void TearDown() override
    {
        m_host.reset();
        if (m_daemon) {
            m_daemon->kill();
            m_daemon->waitForFinished(10000);
        }
    }

private:
    char m_name[16] = "app_tests";
    char* m_argv[2] = {m_name, nullptr};
    int m_argc{1};
    std::unique_ptr<QProcess> m_daemon;
    std::unique_ptr<MainQueueHost> m_host;
};

const testing::Environment* const kBusEnvironment =
    testing::AddGlobalTestEnvironment(new BusTestEnvironment);

} // namespace

const std::string& PrivateBus::address()
{
    return busAddress();
}

QDBusConnection PrivateBus::connect(const QString& name)
{
    return QDBusConnection::connectToBus(QString::fromStdString(busAddress()), name);
}

void PrivateBus::disconnect(const QString& name)
{
    QDBusConnection::disconnectFromBus(name);
}

bool runEventsUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout)
{
    // The timer guarantees that waiting for events wakes up to check again.
    QTimer tick;
    tick.start(10);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

std::string helperExecutable()
{
    return SWEEPWISE_HELPER_EXECUTABLE;
}

std::string mainExecutable()
{
    return SWEEPWISE_MAIN_EXECUTABLE;
}

std::map<std::string, std::string> programEnvironment()
{
    return {{"QT_QPA_PLATFORM", "offscreen"}};
}

ChildProgram::ChildProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment,
                           const std::string& workingDirectory)
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        variables.insert(QString::fromStdString(name), QString::fromStdString(value));
    m_process.setProcessEnvironment(variables);
    if (!workingDirectory.empty())
        m_process.setWorkingDirectory(QString::fromStdString(workingDirectory));
    killWithParent(m_process);
    QStringList list;
    for (const std::string& argument : arguments)
        list.append(QString::fromStdString(argument));
    m_process.start(QString::fromStdString(program), list);
    EXPECT_TRUE(m_process.waitForStarted(10000)) << "cannot start " << program;
}

ChildProgram::~ChildProgram()
{
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

bool ChildProgram::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

bool ChildProgram::waitForExit(std::chrono::milliseconds timeout)
{
    return runEventsUntil([this] { return !isRunning(); }, timeout);
}

bool ChildProgram::waitForOutput(const std::string& text, std::chrono::milliseconds timeout)
{
    auto found = [this, &text] {
        collect();
        return m_output.find(text) != std::string::npos || m_error.find(text) != std::string::npos;
    };
    bool seen = runEventsUntil([&] { return found() || !isRunning(); }, timeout);
    return seen && found();
}

int ChildProgram::exitCode() const
{
    return m_process.exitCode();
}

bool ChildProgram::exitedNormally() const
{
    return !isRunning() && m_process.exitStatus() == QProcess::NormalExit;
}

std::string ChildProgram::standardOutput()
{
    collect();
    return m_output;
}

std::string ChildProgram::standardError()
{
    collect();
    return m_error;
}

void ChildProgram::terminate()
{
    m_process.terminate();
}

void ChildProgram::collect()
{
    m_output += m_process.readAllStandardOutput().toStdString();
    m_error += m_process.readAllStandardError().toStdString();
}

} // namespace testing_support
