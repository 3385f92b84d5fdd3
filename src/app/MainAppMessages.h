#pragma once

#include "shell/PathForRemove.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

// What the main-application side does with the watcher messages the helper sends
// it: read each one (which deletes it) and print the leftovers it carries.
class MainAppMessages {
public:
    // Reads every path as a watcher message and prints it; a path that is not a
    // ".trforsa" file or does not read as a message gets a line on `err` and stays
    // where it is. Answers whether every one was read.
    static bool printMessages(const std::vector<std::string>& paths, std::ostream& out,
                              std::ostream& err);

    // "<message>: <n> leftovers", then one line per item: group name, size in bytes
    // (or "-" when not measured), bundle identifier and path, separated by tabs.
    static void printLeftovers(const std::string& message,
                               const std::vector<std::shared_ptr<PathForRemove>>& items,
                               std::ostream& out);
};
