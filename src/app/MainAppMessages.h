#pragma once

#include "shell/PathForRemove.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

// What the main-application side does with the watcher messages the helper sends
// it: read each one (which deletes it), print the leftovers it carries and keep
// them in the received log, since the message file itself is gone.
class MainAppMessages {
public:
    // Reads every path as a watcher message, prints it and appends it to the
    // received log; a path that is not a ".trforsa" file or does not read as a
    // message gets a line on `err` and stays where it is. Answers whether every one
    // was read. The items of every message read are appended to `received` when given.
    static bool printMessages(const std::vector<std::string>& paths, std::ostream& out,
                              std::ostream& err,
                              std::vector<std::shared_ptr<PathForRemove>>* received = nullptr);

    // "<message>: <n> leftovers", then one line per item: group name, size in bytes
    // (or "-" when not measured), bundle identifier and path, separated by tabs; an
    // item that says why it is offered is followed by a line "  why: <reason>".
    static void printLeftovers(const std::string& message,
                               const std::vector<std::shared_ptr<PathForRemove>>& items,
                               std::ostream& out);

    // ~/Library/Logs/Sweepwise/received.log under the (sandbox-aware) home folder.
    static std::string receivedLogPath();

    // Appends "<UTC time> <message>: <n> leftovers" and the item lines of
    // printLeftovers() to the received log, creating its folder; false when it
    // cannot be written.
    static bool appendToReceivedLog(const std::string& message,
                                    const std::vector<std::shared_ptr<PathForRemove>>& items);
};
