#include "app/BusTestSupport.h"

#include "app/ApplicationBusClient.h"
#include "app/MainQueueHost.h"
#include "platform/MainQueue.h"
#include "support/Sandbox.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testing_support {

namespace {

void appendAvailable(int fd, std::string& text) {
    char buffer[4096];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0)
            text.append(buffer, static_cast<std::size_t>(got));
        else if (got < 0 && errno == EINTR)
            continue;
        else
            return;
    }
}

std::string& busAddress() {
    static std::string address;
    return address;
}

class BusTestEnvironment : public testing::Environment {
public:
    void SetUp() override {
        std::string runtime = Sandbox::process().makeFolder("runtime");
        chmod(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        // The application object outlives every test and is never destroyed: Qt's
        // bus connections are torn down by Qt itself at exit.
        if (!QCoreApplication::instance())
            new QCoreApplication(m_argc, m_argv);

        std::string folder = Sandbox::process().makeFolder("bus");
        m_daemon = std::make_unique<ChildProgram>(
            "dbus-daemon", std::vector<std::string>{"--session", "--nofork", "--print-address=1",
                                                    "--address=unix:dir=" + folder});
        ASSERT_TRUE(m_daemon->waitForOutput("\n")) << "dbus-daemon printed no address";
        std::string printed = m_daemon->standardOutput();
        busAddress() = printed.substr(0, printed.find('\n'));
        setenv("DBUS_SESSION_BUS_ADDRESS", busAddress().c_str(), 1);

        m_host = MainQueueHost::create(platform::MainQueue::shared());
        ASSERT_NE(m_host, nullptr);
    }

    void TearDown() override {
        m_host.reset();
        m_daemon.reset();
    }

private:
    char m_name[16] = "app_tests";
    char* m_argv[2] = {m_name, nullptr};
    int m_argc{1};
    std::unique_ptr<ChildProgram> m_daemon;
    std::unique_ptr<MainQueueHost> m_host;
};

const testing::Environment* const kBusEnvironment =
    testing::AddGlobalTestEnvironment(new BusTestEnvironment);

} // namespace

const std::string& PrivateBus::address() {
    return busAddress();
}

QDBusConnection PrivateBus::connect(const QString& name) {
    return QDBusConnection::connectToBus(QString::fromStdString(busAddress()), name);
}

void PrivateBus::disconnect(const QString& name) {
    QDBusConnection::disconnectFromBus(name);
}

bool runEventsUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout) {
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

std::string helperExecutable() {
    return SWEEPWISE_HELPER_EXECUTABLE;
}

std::string mainExecutable() {
    return SWEEPWISE_MAIN_EXECUTABLE;
}

std::map<std::string, std::string> programEnvironment(const std::string& home) {
    std::map<std::string, std::string> environment{{"QT_QPA_PLATFORM", "offscreen"}};
    if (!home.empty())
        environment["SWEEPWISE_HOME"] = home;
    return environment;
}

bool waitUntilOwned(const QDBusConnection& bus, const std::string& name, bool owned,
                    const ChildProgram* program) {
    auto isAsAsked = [&] { return ApplicationBusClient::isRunning(bus, name) == owned; };
    runEventsUntil([&] { return isAsAsked() || (program && !program->isRunning()); });
    return isAsAsked();
}

void makeApplicationBundle(const std::string& path, const std::string& identifier) {
    makeDirs(path + "/Contents/MacOS");
    writeFile(path + "/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
              "<key>CFBundleIdentifier</key><string>" +
                  identifier + "</string></dict></plist>");
}

void moveItem(const std::string& from, const std::string& to) {
    ASSERT_EQ(std::rename(from.c_str(), to.c_str()), 0) << from << " -> " << to;
}

RestartableBus::RestartableBus(const std::string& socketPath)
    : m_address("unix:path=" + socketPath) {}

bool RestartableBus::start() {
    m_daemon = std::make_unique<ChildProgram>(
        "dbus-daemon", std::vector<std::string>{"--session", "--nofork", "--print-address=1",
                                                "--address=" + m_address});
    return m_daemon->waitForOutput("\n");
}

void RestartableBus::kill() {
    m_daemon.reset();
}

ChildProgram::ChildProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment,
                           const std::string& workingDirectory) {
    // Everything the child needs is prepared before fork: after it, in a process
    // with threads, the child may only make plain system calls.
    std::vector<std::string> argumentStrings{program};
    argumentStrings.insert(argumentStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argumentStrings)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        std::string variable(*entry);
        if (!environment.count(variable.substr(0, variable.find('='))))
            variables.push_back(std::move(variable));
    }
    for (const auto& [name, value] : environment)
        variables.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    int output[2], error[2];
    if (pipe2(output, O_CLOEXEC) != 0 || pipe2(error, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "cannot make pipes for " << program;
        return;
    }
    const char* folder = workingDirectory.empty() ? nullptr : workingDirectory.c_str();
    pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0) {
        // The child dies with the test process, even when that one dies without
        // cleaning up.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(126);
        dup2(output[1], STDOUT_FILENO);
        dup2(error[1], STDERR_FILENO);
        if (folder && chdir(folder) != 0)
            _exit(126);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(output[1]);
    close(error[1]);
    m_outputFd = output[0];
    m_errorFd = error[0];
    fcntl(m_outputFd, F_SETFL, O_NONBLOCK);
    fcntl(m_errorFd, F_SETFL, O_NONBLOCK);
    EXPECT_GT(m_pid, 0) << "cannot start " << program;
}

ChildProgram::~ChildProgram() {
    if (m_pid > 0 && isRunning()) {
        kill(m_pid, SIGKILL);
        reap(0);
    }
    if (m_outputFd >= 0)
        close(m_outputFd);
    if (m_errorFd >= 0)
        close(m_errorFd);
}

void ChildProgram::reap(int options) const {
    if (m_exited || m_pid <= 0)
        return;
    int status = 0;
    pid_t result;
    do
        result = waitpid(m_pid, &status, options);
    while (result < 0 && errno == EINTR);
    if (result == m_pid) {
        m_exited = true;
        m_status = status;
    }
}

bool ChildProgram::isRunning() const {
    reap(WNOHANG);
    return m_pid > 0 && !m_exited;
}

bool ChildProgram::waitForExit(std::chrono::milliseconds timeout) {
    bool exited = runEventsUntil([this] { return !isRunning(); }, timeout);
    collect();
    return exited;
}

bool ChildProgram::waitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    auto found = [this, &text] {
        collect();
        return m_output.find(text) != std::string::npos || m_error.find(text) != std::string::npos;
    };
    bool seen = runEventsUntil([&] { return found() || !isRunning(); }, timeout);
    return seen && found();
}

int ChildProgram::exitCode() const {
    return m_exited && WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
}

std::string ChildProgram::standardOutput() {
    collect();
    return m_output;
}

std::string ChildProgram::standardError() {
    collect();
    return m_error;
}

void ChildProgram::collect() {
    if (m_outputFd >= 0)
        appendAvailable(m_outputFd, m_output);
    if (m_errorFd >= 0)
        appendAvailable(m_errorFd, m_error);
}

} // namespace testing_support
