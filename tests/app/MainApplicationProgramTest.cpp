#include "app/ApplicationService.h"
#include "app/BusTestSupport.h"
#include "app/BusWorkspace.h"
#include "shell/NotificationsManager.h"
#include "shell/PathForRemove.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <unistd.h>

using namespace testing_support;

namespace {

const std::string kMainApp = "com.halvorn.Sweepwise-SIII";
const std::string kHeader = "---=== Sweepwise Agent Watcher Message v2 ===---\n";

// The bus workspace of this test process, as the helper installs it for itself.
class InstalledBusWorkspace {
public:
    InstalledBusWorkspace() {
        Workspace::setShared(BusWorkspace::create(PrivateBus::connect("workspace"),
                                                  Workspace::createSystemWorkspace()));
    }
    ~InstalledBusWorkspace() { Workspace::setShared(nullptr); }
};

} // namespace

TEST(MainApplicationProgram, ReadsWatcherMessagesAndPrintsTheirLeftovers) {
    const std::string items =
        R"({"items":[{"type":"8","size":"4096","path":"/h/Library/Caches/foo","bundleId":"com.example.foo",)"
        R"("reason":"standard place 1 (Library/Caches): identifier foo"},)"
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
         "  why: standard place 1 (Library/Caches): identifier foo\n"
         "preferences\t-\tcom.example.foo\t/h/Library/Preferences/foo.plist\n",
         ""},
        {"no header", "b.trforsa", items, 1, "", "is not a readable watcher message"},
        {"other suffix", "e.msgforsahelp", kHeader + items, 1, "", "is not a .trforsa file"},
    };
    const std::string home = Sandbox::process().makeFolder("home");
    const std::string folder = Sandbox::process().makeFolder("messages");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = folder + "/" + c.name;
        writeFile(path, c.text);
        ChildProgram program(mainExecutable(), {path}, programEnvironment(home));
        ASSERT_TRUE(program.waitForExit());
        EXPECT_EQ(program.exitCode(), c.exitCode) << program.standardError();
        EXPECT_EQ(program.standardOutput(), c.printed.empty() ? "" : path + c.printed);
        EXPECT_NE(program.standardError().find(c.error), std::string::npos)
            << program.standardError();
        EXPECT_EQ(access(path.c_str(), F_OK) == 0, c.exitCode != 0)
            << "only a message that was read is deleted";
    }
    // Only what was read is kept in the log of received messages.
    std::string log = readFile(home + "/Library/Logs/Sweepwise/received.log");
    EXPECT_TRUE(
        std::regex_match(log, std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ " + folder +
                                         "/a.trforsa: 2 leftovers\n.*\n  why: .*\n.*\n")))
        << log;
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
    ChildProgram listener(mainExecutable(), {"listen"}, programEnvironment());
    ASSERT_TRUE(listener.waitForOutput("listening as " + kMainApp + "\n"))
        << listener.standardError();
    auto running = Workspace::shared()->runningApplicationsWithBundleIdentifier(kMainApp);
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running[0].processIdentifier, listener.processIdentifier());
    EXPECT_EQ(running[0].executablePath, mainExecutable());

    manager.removeFilePaths({item});
    EXPECT_TRUE(listener.waitForOutput("logs\t12\tcom.example.foo\t/h/Library/Logs/Foo\n"))
        << listener.standardOutput() << listener.standardError();
    const std::string ownName = PrivateBus::connect("workspace").baseService().toStdString();
    EXPECT_TRUE(monitor.waitForOutput("sender=" + ownName + " -> destination=" + kMainApp))
        << monitor.standardOutput();
    EXPECT_NE(monitor.standardOutput().find("path=/com/halvorn/Sweepwise_SIII; "
                                            "interface=org.freedesktop.Application; member=Open"),
              std::string::npos);
}

TEST(MainApplicationProgram, CommandLineAnswersWithClearExitCodes) {
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        const char* expectedOutput;
        const char* expectedError;
        // Something owns the helper's name but never answers.
        bool silentHelper = false;
        bool noBus = false;
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: Sweepwise <command>", ""},
        {{}, 2, "", "Sweepwise: no command given\nUsage:"},
        {{"remove"}, 2, "", "Sweepwise: unknown command 'remove'\n"},
        {{"fda", "--timeout"}, 2, "", "fda takes only --timeout SECONDS"},
        {{"fda", "--timeout", "0"}, 2, "", "whole number of seconds from 1 to 600"},
        {{"login-item", "yes"}, 2, "", "login-item takes on or off"},
        {{"start", "now"}, 2, "", "start takes no arguments"},
        {{"leftovers", "/nonexistent/X.app"},
         1,
         "",
         "Sweepwise: not a bundle folder: /nonexistent/X.app\n"},
        {{"fda"},
         3,
         "",
         "Sweepwise: the helper (com.halvorn.Sweepwise-SIII-Helper) is not running\n"},
        {{"fda", "--timeout", "1"},
         3,
         "",
         "Sweepwise: no answer from the helper within 1 s\n",
         true},
        {{"fda"}, 4, "", "Sweepwise: no session bus (", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        std::shared_ptr<ApplicationService> silent;
        if (c.silentHelper) {
            silent = ApplicationService::claim(PrivateBus::connect("silent"), kHelper);
            ASSERT_NE(silent, nullptr);
        }
        auto environment = programEnvironment();
        if (c.noBus)
            environment["DBUS_SESSION_BUS_ADDRESS"] =
                "unix:path=" + Sandbox::process().makeFolder("nobus") + "/socket";
        ChildProgram program(mainExecutable(), c.arguments, environment);
        ASSERT_TRUE(program.waitForExit());
        EXPECT_EQ(program.exitCode(), c.exitCode);
        std::string out = program.standardOutput(), err = program.standardError();
        EXPECT_TRUE(*c.expectedOutput ? out.starts_with(c.expectedOutput) : out.empty()) << out;
        EXPECT_TRUE(*c.expectedError ? err.find(c.expectedError) != std::string::npos : err.empty())
            << err;
    }
}
