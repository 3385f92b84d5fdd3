#include "app/MainAppCommands.h"

#include "app/ApplicationBusClient.h"
#include "app/ApplicationService.h"
#include "app/BusNotificationCenter.h"
#include "app/MainAppMessages.h"
#include "app/MainAppUninstall.h"
#include "app/SessionBus.h"
#include "app/SingleInstance.h"
#include "app/UninstallWindow.h"
#include "platform/Bundle.h"
#include "platform/Programs.h"
#include "search/LeftoversReport.h"
#include "shell/FileMessage.h"
#include "shell/MonitorTrashDistributedNotificationNames.h"
#include "shell/PathBytes.h"
#include "shell/WatcherMessage.h"
#include "shell/WatcherSettings.h"

#include <QApplication>
#include <QCoreApplication>
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

// Arguments that name files rather than commands.
bool isMessagePath(const std::string& argument) {
    return argument.find('/') != std::string::npos || argument.ends_with(WatcherMessage::kSuffix);
}

// Sends a command to the running helper through the session-bus workspace.
int sendToHelper(const std::shared_ptr<FileMessage>& message, const std::string& what,
                 std::ostream& out, std::ostream& err) {
    std::string whyNot;
    if (!SessionBus::connection(&whyNot)) {
        err << kProgram << ": no session bus (" << whyNot << "), so the helper cannot be reached\n";
        return MainAppCommands::kNoSessionBus;
    }
    SessionBus::install();
    if (!message || !message->getAppPathForMessage()) {
        err << kProgram << ": the helper (" << WatcherSettings::GetInstance().getHelperAppBundleID()
            << ") is not running\n";
        return MainAppCommands::kNoAnswer;
    }
    if (!message->transmit()) {
        err << kProgram << ": cannot send " << what << " to the helper\n";
        return MainAppCommands::kFailure;
    }
    out << "sent " << what << " to the helper\n";
    return MainAppCommands::kSuccess;
}

} // namespace

std::string MainAppCommands::usage() {
    return "Usage: Sweepwise <command>\n"
           "       Sweepwise FILE.trforsa...\n"
           "\n"
           "Files: read the helper's watcher messages, print the leftovers they list and\n"
           "delete them; a running 'Sweepwise listen' gets them instead.\n"
           "\n"
           "Commands:\n"
           "  listen                   wait for messages opened with Sweepwise and print them,\n"
           "                           and the applications the helper saw moved to the Trash,\n"
           "                           until interrupted\n"
           "  exclude PATH...          tell the helper to ignore these applications in the Trash\n"
           "  clear-exclusions         tell the helper to drop its exclusions (after 5 seconds)\n"
           "  fda [--timeout SECONDS]  ask the running helper whether it has Full Disk Access\n"
           "                           (default 5 seconds, at most 600)\n"
           "  login-item on|off        start the helper at login, or stop doing so\n"
           "  start                    start the helper at login from now on, and now\n"
           "  leftovers [--json] [--verbose] APP\n"
           "                           list what the helper would offer to remove for the\n"
           "                           application APP (a bundle, or an AppImage in the\n"
           "                           Trash), measured, and why; removes\n"
           "                           nothing (--verbose: also what was left out, and why)\n"
           "  leftovers [--json] [--verbose] --flatpak ID\n"
           "                           the same for a Flatpak application id, as if it had\n"
           "                           just been uninstalled (nothing while it is installed)\n"
           "  leftovers [--json] --flatpak-orphans\n"
           "                           list the ~/.var/app folders of ids no installation\n"
           "                           has, with sizes and when they last changed\n"
           "  uninstall [--yes] [--json] FILE.trforsa\n"
           "                           check every leftover of the message again and list\n"
           "                           what would move to which Trash, and why the others\n"
           "                           stay; with --yes move them to the Trash and report\n"
           "                           (the message is then deleted)\n"
           "  restore [--json]         put back everything the last uninstall moved, where\n"
           "                           its place is free\n"
           "  --help                   show this text\n"
           "\n"
           "Exit status: 0 done, 1 failed (or no leftovers found, or nothing to put back),\n"
           "2 wrong usage, 3 no answer from the helper, 4 no session bus, 5 done in part:\n"
           "some items stayed where they were (the report says why).\n";
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
    if (command == "start")
        return startHelper(options, out, err);
    if (command == "listen")
        return listen(options, out, err);
    if (command == "exclude")
        return sendExclusions(options, out, err);
    if (command == "clear-exclusions")
        return clearExclusions(options, out, err);
    if (command == "leftovers")
        return listLeftovers(options, out, err);
    if (command == "uninstall")
        return MainAppUninstall::uninstall(options, out, err);
    if (command == "restore")
        return MainAppUninstall::restore(options, out, err);
    if (isMessagePath(command))
        return openMessages(arguments, out, err);
    return usageError(err, "unknown command '" + command + "'");
}

int MainAppCommands::openMessages(const std::vector<std::string>& paths, std::ostream& out,
                                  std::ostream& err) {
    const std::string mainApp = WatcherSettings::GetInstance().getMainAppBundleID();
    if (!SingleInstance::claimOrForward(mainApp, paths)) {
        out << "handed " << paths.size() << (paths.size() == 1 ? " file" : " files")
            << " to the running Sweepwise\n";
        return kSuccess;
    }
    std::vector<std::shared_ptr<PathForRemove>> received;
    bool allRead = MainAppMessages::printMessages(paths, out, err, &received);
    // With a screen, the user finishes the uninstall in the window before this ends.
    if (!received.empty() && qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QApplication::setQuitOnLastWindowClosed(true);
        UninstallWindow::open(received);
        QApplication::exec();
    }
    SingleInstance::release();
    return allRead ? kSuccess : kFailure;
}

int MainAppCommands::listen(const std::vector<std::string>& options, std::ostream& out,
                            std::ostream& err) {
    if (!options.empty())
        return usageError(err, "listen takes no arguments");
    std::string whyNot;
    std::optional<QDBusConnection> bus = SessionBus::connection(&whyNot);
    if (!bus) {
        err << kProgram << ": no session bus (" << whyNot << "), so nothing can be sent here\n";
        return kNoSessionBus;
    }
    const std::string mainApp = WatcherSettings::GetInstance().getMainAppBundleID();
    auto service = ApplicationService::claim(*bus, mainApp);
    if (!service) {
        err << kProgram << ": another program already owns " << mainApp << "\n";
        return kFailure;
    }
    service->setOpenHandler([&out, &err](const std::vector<std::string>& paths) {
        std::vector<std::shared_ptr<PathForRemove>> received;
        MainAppMessages::printMessages(paths, out, err, &received);
        if (!received.empty() && qobject_cast<QApplication*>(QCoreApplication::instance()))
            UninstallWindow::open(received);
    });
    // The helper's broadcasts too, each with the exact path it stands for.
    std::shared_ptr<BusNotificationCenter> center = BusNotificationCenter::create(*bus);
    if (center)
        center->addObserver(
            MonitorTrashDistributedNotificationNames::userDidMoveApplicationToTrashEvent,
            [&out](const std::string&, const std::optional<std::string>& object,
                   const platform::PlistValue& userInfo) {
                if (std::optional<std::string> path =
                        PathBytes::pathFromNotification(object, userInfo))
                    out << "moved to the Trash: " << *path << std::endl;
            });
    // Windows come and go with the messages; the listener stays.
    QApplication::setQuitOnLastWindowClosed(false);
    out << "listening as " << mainApp << std::endl;
    // Runs until the process is interrupted; the bus frees the name when it ends.
    return QCoreApplication::exec();
}

int MainAppCommands::sendExclusions(const std::vector<std::string>& paths, std::ostream& out,
                                    std::ostream& err) {
    if (paths.empty())
        return usageError(err, "exclude takes the paths of one or more applications");
    return sendToHelper(FileMessage::CreateMessageForHelperToExcludeRemovedPaths(paths),
                        "an exclusion of " + std::to_string(paths.size()) +
                            (paths.size() == 1 ? " path" : " paths"),
                        out, err);
}

int MainAppCommands::clearExclusions(const std::vector<std::string>& options, std::ostream& out,
                                     std::ostream& err) {
    if (!options.empty())
        return usageError(err, "clear-exclusions takes no arguments");
    return sendToHelper(FileMessage::CreateMessageForHelperToCancelExcludeRemovedPaths(),
                        "the end of all exclusions", out, err);
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

int MainAppCommands::listLeftovers(const std::vector<std::string>& options, std::ostream& out,
                                   std::ostream& err) {
    auto format = LeftoversReport::Format::Text;
    bool verbose = false;
    bool flatpak = false;
    bool flatpakOrphans = false;
    std::vector<std::string> bundles;
    for (const std::string& option : options) {
        if (option == "--json")
            format = LeftoversReport::Format::Json;
        else if (option == "--verbose")
            verbose = true;
        else if (option == "--flatpak")
            flatpak = true;
        else if (option == "--flatpak-orphans")
            flatpakOrphans = true;
        else
            bundles.push_back(option);
    }
    if (flatpakOrphans) {
        if (flatpak || !bundles.empty())
            return usageError(err, "--flatpak-orphans takes no arguments");
        return LeftoversReport::listFlatpakOrphans(format, out) == LeftoversReport::kFound
                   ? kSuccess
                   : kFailure;
    }
    if (flatpak) {
        if (bundles.size() != 1)
            return usageError(err, "--flatpak takes one application id");
        return LeftoversReport::listForFlatpak(bundles.front(), format, out, err, kProgram,
                                               verbose) == LeftoversReport::kFound
                   ? kSuccess
                   : kFailure;
    }
    if (bundles.size() != 1)
        return usageError(err, "leftovers takes one application bundle");
    return LeftoversReport::listForBundle(bundles.front(), format, out, err, kProgram, verbose) ==
                   LeftoversReport::kFound
               ? kSuccess
               : kFailure;
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

int MainAppCommands::startHelper(const std::vector<std::string>& options, std::ostream& out,
                                 std::ostream& err) {
    if (!options.empty())
        return usageError(err, "start takes no arguments");
    const int status = switchLoginItem({"on"}, out, err);
    if (status != kSuccess)
        return status;
    // A helper that already runs in this session keeps running: the new one hands over
    // and exits at once.
    const std::optional<std::string> helper =
        WatcherSettings::GetInstance().helperExecutableInMainBundle();
    if (!helper || !platform::Programs::startDetached({*helper})) {
        err << kProgram << ": cannot start " << helper.value_or("the helper") << "\n";
        return kFailure;
    }
    out << "started " << *helper << "\n";
    return kSuccess;
}
