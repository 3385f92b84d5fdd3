#include "app/MainAppCommands.h"

#include "app/ApplicationBusClient.h"
#include "app/BusNotificationCenter.h"
#include "app/SessionBus.h"
#include "platform/Bundle.h"
#include "shell/MonitorTrashDistributedNotificationNames.h"
#include "shell/WatcherSettings.h"

#include <QEventLoop>
#include <QTimer>
#include <charconv>
#include <optional>
#include <ostream>

namespace {

constexpr const char* kProgram = "Sweepwise";

std::optional<int> parseSeconds(const std::string& text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > MainAppCommands::kMaxTimeoutSeconds)
        return std::nullopt;
    return value;
}

int usageError(std::ostream& err, const std::string& problem) {
    err << kProgram << ": " << problem << "\n" << MainAppCommands::usage();
    return MainAppCommands::kUsage;
}

} // namespace

std::string MainAppCommands::usage() {
    return "Usage: Sweepwise <command>\n"
           "\n"
           "Commands:\n"
           "  fda [--timeout SECONDS]  ask the running helper whether it has Full Disk Access\n"
           "                           (default 5 seconds, at most 600)\n"
           "  login-item on|off        start the helper at login, or stop doing so\n"
           "  --help                   show this text\n"
           "\n"
           "Exit status: 0 done, 1 failed, 2 wrong usage, 3 no answer from the helper,\n"
           "4 no session bus.\n";
}

int MainAppCommands::run(const std::vector<std::string>& arguments, std::ostream& out,
                         std::ostream& err) {
    if (arguments.empty())
        return usageError(err, "no command given");
    const std::string& command = arguments.front();
    std::vector<std::string> options(arguments.begin() + 1, arguments.end());
    if (command == "--help" || command == "-h" || command == "help") {
        out << usage();
        return kSuccess;
    }
    if (command == "fda")
        return askFullDiskAccess(options, out, err);
    if (command == "login-item")
        return switchLoginItem(options, out, err);
    return usageError(err, "unknown command '" + command + "'");
}

int MainAppCommands::askFullDiskAccess(const std::vector<std::string>& options, std::ostream& out,
                                       std::ostream& err) {
    int timeoutSeconds = kDefaultTimeoutSeconds;
    if (options.size() == 2 && options[0] == "--timeout") {
        std::optional<int> seconds = parseSeconds(options[1]);
        if (!seconds)
            return usageError(err, "the timeout must be a whole number of seconds from 1 to 600");
        timeoutSeconds = *seconds;
    } else if (!options.empty()) {
        return usageError(err, "fda takes only --timeout SECONDS");
    }

    std::string whyNot = "the bus refused the subscription to notifications";
    std::optional<QDBusConnection> bus = SessionBus::connection(&whyNot);
    std::shared_ptr<BusNotificationCenter> center =
        bus ? BusNotificationCenter::create(*bus) : nullptr;
    if (!center) {
        err << kProgram << ": no session bus (" << whyNot << "), so the helper cannot be asked\n";
        return kNoSessionBus;
    }
    const std::string helper = WatcherSettings::GetInstance().getHelperAppBundleID();
    if (!ApplicationBusClient::isRunning(*bus, helper)) {
        err << kProgram << ": the helper (" << helper << ") is not running\n";
        return kNoAnswer;
    }

    using Names = MonitorTrashDistributedNotificationNames;
    std::optional<bool> granted;
    QEventLoop loop;
    auto token =
        center->addObserver(Names::responseFullDiskAccessState,
                            [&granted, &loop](const std::string&, const std::optional<std::string>&,
                                              const platform::PlistValue& userInfo) {
                                const platform::PlistValue* value =
                                    userInfo.get(Names::isAccessGranted);
                                if (granted || !value || !value->asBoolean())
                                    return;
                                granted = *value->asBoolean();
                                loop.quit();
                            });
    center->post(Names::requestFullDiskAccessState, std::nullopt);
    QTimer::singleShot(timeoutSeconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    center->removeObserver(token);

    if (!granted) {
        err << kProgram << ": no answer from the helper within " << timeoutSeconds << " s\n";
        return kNoAnswer;
    }
    out << "Full Disk Access: " << (*granted ? "granted" : "not granted") << "\n";
    return kSuccess;
}

int MainAppCommands::switchLoginItem(const std::vector<std::string>& options, std::ostream& out,
                                     std::ostream& err) {
    if (options.size() != 1 || (options[0] != "on" && options[0] != "off"))
        return usageError(err, "login-item takes on or off");
    const WatcherSettings& settings = WatcherSettings::GetInstance();
    if (options[0] == "off") {
        if (!settings.enableHelperInLoginItems(false)) {
            err << kProgram << ": cannot remove " << settings.loginItemEntryPath() << "\n";
            return kFailure;
        }
        out << "login item off\n";
        return kSuccess;
    }
    std::optional<std::string> helper = settings.helperExecutableInMainBundle();
    if (!helper) {
        auto bundle = platform::Bundle::mainBundle();
        err << kProgram << ": no helper bundle in "
            << (bundle ? bundle->bundlePath() : std::string("this program's bundle"))
            << "/Contents/Library/LoginItems\n";
        return kFailure;
    }
    if (!settings.enableHelperInLoginItems(true, *helper)) {
        err << kProgram << ": cannot write " << settings.loginItemEntryPath() << "\n";
        return kFailure;
    }
    out << "login item on: " << settings.loginItemEntryPath() << " starts " << *helper << "\n";
    return kSuccess;
}
