#include "app/ApplicationBusClient.h"
#include "app/BusTestSupport.h"
#include "app/BusWorkspace.h"
#include "shell/FileMessage.h"
#include "shell/NotificationsManager.h"
#include "shell/PathForRemove.h"
#include "shell/WatcherMessage.h"
#include "support/Sandbox.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <unistd.h>

using namespace testing_support;

namespace {

const std::string kMainApp = "com.halvorn.Sweepwise-SIII";
const std::string kHelper = "com.halvorn.Sweepwise-SIII-Helper";
const std::string kHeader = "---=== Sweepwise Agent Watcher Message v2 ===---\n";

std::map<std::string, std::string> withHome(const std::string& home) {
    auto environment = programEnvironment();
    environment["SWEEPWISE_HOME"] = home;
    return environment;
}

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

// The bus workspace of this test process, as the helper installs it for itself.
class InstalledBusWorkspace {
public:
    InstalledBusWorkspace() {
        Workspace::setShared(BusWorkspace::create(PrivateBus::connect("workspace"),
                                                  Workspace::createSystemWorkspace()));
    }
    ~InstalledBusWorkspace() { Workspace::setShared(nullptr); }
};

// Points this process's standard input at /dev/null, and its output and error at
// `file`, for as long as it lives.
class StandardStreamsInFile {
public:
    explicit StandardStreamsInFile(const std::string& file) {
        std::fflush(nullptr);
        const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int output = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        EXPECT_TRUE(input >= 0 && output >= 0);
        for (int stream = 0; stream < 3; ++stream) {
            m_saved[stream] = fcntl(stream, F_DUPFD_CLOEXEC, 3);
            dup2(stream == 0 ? input : output, stream);
        }
        close(input);
        close(output);
    }
    ~StandardStreamsInFile() {
        std::fflush(nullptr);
        for (int stream = 0; stream < 3; ++stream) {
            dup2(m_saved[stream], stream);
            close(m_saved[stream]);
        }
    }

private:
    int m_saved[3]{};
};

// The running main applications started with this test process's environment, which
// tells them from those of tests running beside it. A finished one has no executable.
std::vector<pid_t> startedMainApplications() {
    namespace fs = std::filesystem;
    const std::string executable = fs::weakly_canonical(mainExecutable()).string();
    const std::string marker = std::string(1, '\0') + "TMPDIR=" + Sandbox::process().tmp() + '\0';
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        std::error_code error;
        if (name.find_first_not_of("0123456789") != std::string::npos ||
            fs::read_symlink(entry.path() / "exe", error).string() != executable)
            continue;
        // Every entry of the environment ends with a NUL.
        const std::string environment = '\0' + readFile(entry.path().string() + "/environ");
        if (environment.find(marker) != std::string::npos)
            found.push_back(std::stoi(name));
    }
    return found;
}

std::unique_ptr<ChildProgram> startListening() {
    auto listener = std::make_unique<ChildProgram>(
        mainExecutable(), std::vector<std::string>{"listen"}, programEnvironment());
    EXPECT_TRUE(listener->waitForOutput("listening as " + kMainApp + "\n"))
        << listener->standardError();
    return listener;
}

} // namespace

TEST(MainApplicationProgram, ReadsWatcherMessagesAndPrintsTheirLeftovers) {
    const std::string items =
        R"({"items":[{"type":"8","size":"4096","path":"/h/Library/Caches/foo","bundleId":"com.example.foo"},)"
        R"({"type":10,"path":"/h/Library/Preferences/foo.plist","bundleId":"COM.EXAMPLE.FOO"}]})";
    struct Case {
        const char* what;
        const char* name;
        std::string text;
        int exitCode;
        std::string printed;
        const char* error;
    };
    const Case cases[] = {
        {"valid", "a.trforsa", kHeader + items, 0,
         ": 2 leftovers\n"
         "caches\t4096\tcom.example.foo\t/h/Library/Caches/foo\n"
         "preferences\t-\tcom.example.foo\t/h/Library/Preferences/foo.plist\n",
         ""},
        {"no header", "b.trforsa", items, 1, "", "is not a readable watcher message"},
        {"no valid item", "c.trforsa",
         kHeader + R"({"items":[{"type":"18","path":"/x","bundleId":"a"}]})", 1, "",
         "is not a readable watcher message"},
        {"other suffix", "e.msgforsahelp", kHeader + items, 1, "", "is not a .trforsa file"},
    };
    const std::string home = Sandbox::process().makeFolder("home");
    const std::string folder = Sandbox::process().makeFolder("messages");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = folder + "/" + c.name;
        writeFile(path, c.text);
        ChildProgram program(mainExecutable(), {path}, withHome(home));
        ASSERT_TRUE(program.waitForExit());
        EXPECT_EQ(program.exitCode(), c.exitCode) << program.standardError();
        EXPECT_EQ(program.standardOutput(), c.printed.empty() ? "" : path + c.printed);
        EXPECT_NE(program.standardError().find(c.error), std::string::npos)
            << program.standardError();
        EXPECT_EQ(exists(path), c.exitCode != 0) << "only a message that was read is deleted";
    }
    // Only what was read is kept in the log of received messages.
    std::string log = readFile(home + "/Library/Logs/Sweepwise/received.log");
    EXPECT_TRUE(std::regex_match(log, std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ " +
                                                 folder + "/a.trforsa: 2 leftovers\n.*\n.*\n")))
        << log;
}

TEST(MainApplicationProgram, ListsWhatTheHelperWouldOfferWithoutRemovingIt) {
    std::string home = Sandbox::process().makeFolder("home");
    std::string app = Sandbox::process().makeFolder("apps") + "/Offered.app";
    makeDirs(app + "/Contents");
    writeFile(app + "/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
              "<key>CFBundleIdentifier</key><string>com.example.Offered</string></dict></plist>");
    std::string cache = home + "/Library/Caches/com.example.Offered";
    makeDirs(cache);
    writeFile(cache + "/data", std::string(10000, 'x'));

    ChildProgram text(mainExecutable(), {"leftovers", app}, withHome(home));
    ASSERT_TRUE(text.waitForExit());
    EXPECT_EQ(text.exitCode(), 0) << text.standardError();
    EXPECT_EQ(text.standardOutput().rfind("Offered (com.example.Offered)\n", 0), 0u)
        << text.standardOutput();
    EXPECT_NE(text.standardOutput().find("  " + cache + "\n"), std::string::npos);

    ChildProgram json(mainExecutable(), {"leftovers", "--json", app}, withHome(home));
    ASSERT_TRUE(json.waitForExit());
    EXPECT_EQ(json.exitCode(), 0) << json.standardError();
    auto document = nlohmann::json::parse(json.standardOutput(), nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << json.standardOutput();
    // The application itself and its cache.
    ASSERT_EQ(document["items"].size(), 2u) << json.standardOutput();
    EXPECT_EQ(document["items"][0]["path"], app);
    EXPECT_EQ(document["items"][1]["path"], cache);
    EXPECT_GE(document["items"][1]["size"].get<std::uint64_t>(), 10000u);
    EXPECT_TRUE(exists(cache + "/data")) << "a dry run removes nothing";

    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        const char* error;
    };
    const Case refusals[] = {
        {{"leftovers", app, app}, 2, "Sweepwise: leftovers takes one application bundle\n"},
        {{"leftovers", "/nonexistent/X.app"},
         1,
         "Sweepwise: not a bundle folder: /nonexistent/X.app\n"},
    };
    for (const Case& c : refusals) {
        ChildProgram refused(mainExecutable(), c.arguments, withHome(home));
        ASSERT_TRUE(refused.waitForExit());
        EXPECT_EQ(refused.exitCode(), c.exitCode);
        EXPECT_EQ(refused.standardError().rfind(c.error, 0), 0u) << refused.standardError();
    }
}

TEST(MainApplicationProgram, TheHelperHandsLeftoversToTheMainApplication) {
    InstalledBusWorkspace workspace;
    // The helper inside the built main bundle finds the main application around it.
    const std::string helperBundle = std::filesystem::path(helperExecutable())
                                         .parent_path()
                                         .parent_path()
                                         .parent_path()
                                         .string();
    NotificationsManager manager(helperBundle);
    auto item = PathForRemove::create("/h/Library/Logs/Foo", 11, "com.example.Foo");
    item->setSize(12);

    // With the main application running, the message goes straight to it through
    // Open, called by this process, as dbus-monitor shows.
    ChildProgram monitor("dbus-monitor",
                         {"--address", PrivateBus::address(),
                          "type='method_call',interface='org.freedesktop.Application'"});
    ASSERT_TRUE(monitor.waitForOutput("NameLost")) << monitor.standardError();
    auto listener = startListening();
    auto running = Workspace::shared()->runningApplicationsWithBundleIdentifier(kMainApp);
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running[0].processIdentifier, listener->processIdentifier());
    EXPECT_EQ(running[0].executablePath, mainExecutable());

    manager.removeFilePaths({item});
    EXPECT_TRUE(listener->waitForOutput("logs\t12\tcom.example.foo\t/h/Library/Logs/Foo\n"))
        << listener->standardOutput() << listener->standardError();
    const std::string ownName = PrivateBus::connect("workspace").baseService().toStdString();
    EXPECT_TRUE(monitor.waitForOutput("sender=" + ownName + " -> destination=" + kMainApp))
        << monitor.standardOutput();
    EXPECT_NE(monitor.standardOutput().find("path=/com/halvorn/Sweepwise_SIII; "
                                            "interface=org.freedesktop.Application; member=Open"),
              std::string::npos);

    // A second start with a file hands it to the running one as well.
    std::string path = Sandbox::process().makeFolder("handed") + "/x.trforsa";
    writeFile(path,
              kHeader + R"({"items":[{"type":"3","path":"/h/Support/Foo","bundleId":"b.c"}]})");
    ChildProgram second(mainExecutable(), {path}, programEnvironment());
    ASSERT_TRUE(second.waitForExit());
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(second.standardOutput(), "handed 1 file to the running Sweepwise\n");
    EXPECT_TRUE(listener->waitForOutput(
        path + ": 1 leftover\napplication-support\t-\tb.c\t/h/Support/Foo\n"))
        << listener->standardOutput();
    EXPECT_FALSE(exists(path));
    listener.reset();

    // Without it, the workspace starts the main application with the message. It
    // inherits this process's standard streams, which point at files meanwhile, so that
    // it can neither write into nor hold open the output of whoever runs this test.
    QDBusConnection bus = PrivateBus::connect("workspace");
    ASSERT_TRUE(runEventsUntil([&] { return !ApplicationBusClient::isRunning(bus, kMainApp); }));
    const std::string captured = Sandbox::process().makeFolder("started") + "/output";
    {
        StandardStreamsInFile streams(captured);
        manager.removeFilePaths({item});
    }
    EXPECT_TRUE(runEventsUntil([&] {
        return readFile(captured).find("logs\t12\tcom.example.foo\t/h/Library/Logs/Foo\n") !=
               std::string::npos;
    })) << readFile(captured);
    const std::string folder = Sandbox::process().tmp() + "/" + kHelper;
    EXPECT_TRUE(runEventsUntil([&] {
        return std::filesystem::directory_iterator(folder) == std::filesystem::directory_iterator();
    })) << "every message was read and deleted";
    // It is not this process's child, so it is watched for by its process entry, and
    // killed if it outstays the watchdog.
    EXPECT_TRUE(runEventsUntil([] { return startedMainApplications().empty(); }))
        << "the started main application did not end";
    for (pid_t pid : startedMainApplications())
        kill(pid, SIGKILL);
}

TEST(MainApplicationProgram, CommandLineAnswersWithClearExitCodes) {
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        const char* expectedOutput;
        const char* expectedError;
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: Sweepwise <command>", ""},
        {{}, 2, "", "Sweepwise: no command given\nUsage:"},
        {{"uninstall"}, 2, "", "Sweepwise: unknown command 'uninstall'\n"},
        {{"fda", "--timeout"}, 2, "", "fda takes only --timeout SECONDS"},
        {{"fda", "--timeout", "0"}, 2, "", "whole number of seconds from 1 to 600"},
        {{"login-item", "yes"}, 2, "", "login-item takes on or off"},
        {{"fda"},
         3,
         "",
         "Sweepwise: the helper (com.halvorn.Sweepwise-SIII-Helper) is not running\n"},
    };
    for (const Case& c : cases) {
        std::string call;
        for (const auto& argument : c.arguments)
            call += argument + " ";
        SCOPED_TRACE(call);
        ChildProgram program(mainExecutable(), c.arguments, programEnvironment());
        ASSERT_TRUE(program.waitForExit());
        EXPECT_EQ(program.exitCode(), c.exitCode);
        std::string out = program.standardOutput(), err = program.standardError();
        EXPECT_TRUE(*c.expectedOutput ? out.starts_with(c.expectedOutput) : out.empty()) << out;
        EXPECT_TRUE(*c.expectedError ? err.find(c.expectedError) != std::string::npos : err.empty())
            << err;
    }
}

TEST(MainApplicationProgram, SwitchesTheLoginItemOfTheHelperInItsBundle) {
    std::string home = Sandbox::process().makeFolder("home");
    std::string entry = home + "/.config/autostart/com.halvorn.Sweepwise-SIII-Helper.desktop";

    ChildProgram on(mainExecutable(), {"login-item", "on"}, withHome(home));
    ASSERT_TRUE(on.waitForExit());
    EXPECT_EQ(on.exitCode(), 0) << on.standardError();
    std::string contents = readFile(entry);
    EXPECT_NE(contents.find("Exec=\"" + helperExecutable() + "\"\n"), std::string::npos)
        << contents;

    ChildProgram off(mainExecutable(), {"login-item", "off"}, withHome(home));
    ASSERT_TRUE(off.waitForExit());
    EXPECT_EQ(off.exitCode(), 0) << off.standardError();
    EXPECT_EQ(off.standardOutput(), "login item off\n");
    EXPECT_NE(access(entry.c_str(), F_OK), 0);
}
