#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// The command line of the main-application side (the Sweepwise program in
// Sweepwise.app): the watcher messages it receives from the helper, and what it
// can ask of the helper and of the session.
class MainAppCommands {
public:
    enum ExitCode : int {
        kSuccess = 0,
        kFailure = 1,
        kUsage = 2,
        kNoAnswer = 3,
        kNoSessionBus = 4,
    };

    static constexpr int kDefaultTimeoutSeconds = 5;
    static constexpr int kMaxTimeoutSeconds = 600;

    // Runs the command in `arguments` (without the program name). Results go to
    // `out`, errors to `err`, one line each. Needs the Qt application object and a
    // MainQueueHost, since answers arrive through the event loop.
    static int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

    static std::string usage();

private:
    static int openMessages(const std::vector<std::string>& paths, std::ostream& out,
                            std::ostream& err);
    static int listen(const std::vector<std::string>& options, std::ostream& out,
                      std::ostream& err);
    static int sendExclusions(const std::vector<std::string>& paths, std::ostream& out,
                              std::ostream& err);
    static int clearExclusions(const std::vector<std::string>& options, std::ostream& out,
                               std::ostream& err);
    static int askFullDiskAccess(const std::vector<std::string>& options, std::ostream& out,
                                 std::ostream& err);
    static int listLeftovers(const std::vector<std::string>& options, std::ostream& out,
                             std::ostream& err);
    // The menu entry's command: the login item on, and the helper started now.
    static int startHelper(const std::vector<std::string>& options, std::ostream& out,
                           std::ostream& err);
    static int switchLoginItem(const std::vector<std::string>& options, std::ostream& out,
                               std::ostream& err);
};
