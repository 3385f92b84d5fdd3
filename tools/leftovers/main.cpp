#include "search/LeftoversReport.h"
#include "shell/FileMessage.h"
#include "shell/MessageFiles.h"
#include "shell/WatcherMessage.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

enum ExitCode { kOk = 0, kNothing = 1, kUsage = 2 };

const char* const kUsageText =
    "usage: leftovers [--json] [--verbose] <app bundle>\n"
    "       leftovers [--json] [--verbose] --flatpak <id>\n"
    "       leftovers [--json] --flatpak-orphans\n"
    "       leftovers [--json] read-message <file.trforsa>\n"
    "       leftovers write-exclude <path>...\n"
    "       leftovers write-clear\n"
    "\n"
    "  <app bundle>    list what the helper would offer to remove for this application:\n"
    "                  each path with its group, measured size and why it is\n"
    "                  offered, and the total that removing them frees\n"
    "  --flatpak       the same for a Flatpak application id, as if it had just been\n"
    "                  uninstalled (nothing while it is installed anywhere)\n"
    "  --flatpak-orphans  list ~/.var/app folders of ids no installation has, with\n"
    "                  sizes and when they last changed\n"
    "  read-message    print the leftovers in a watcher message from the helper\n"
    "  write-exclude   write a message asking the helper to ignore these paths\n"
    "  write-clear     write a message asking the helper to forget ignored paths\n"
    "  --json          print JSON instead of text\n"
    "  --verbose       also list what was found but not offered, and why\n"
    "  --help          print this text\n"
    "\n"
    "Exit status: 0 done, 1 nothing found or an unreadable file, 2 bad arguments.\n";

int usageError(const std::string& message) {
    std::cerr << "leftovers: " << message << "\n" << kUsageText;
    return kUsage;
}

LeftoversReport::Format format(bool json) {
    return json ? LeftoversReport::Format::Json : LeftoversReport::Format::Text;
}

int readMessage(const std::string& path, bool json) {
    // Read without WatcherMessage::loadFromPath, which consumes the file.
    std::optional<MessageFileFault> fault;
    std::optional<std::string> text = MessageFiles::read(path, &fault);
    if (!text) {
        std::cerr << "leftovers: cannot read " << path << ": " << fault->describe() << "\n";
        return kNothing;
    }
    auto records = WatcherMessage::parse(*text, &fault);
    if (!records) {
        std::cerr << "leftovers: not a watcher message: " << path << ": " << fault->describe()
                  << "\n";
        return kNothing;
    }
    return LeftoversReport::printRecords(*records, format(json), nlohmann::json{{"message", path}},
                                         std::cout);
}

int writeMessage(const std::shared_ptr<FileMessage>& message) {
    std::optional<std::string> path = message ? message->saveToFile() : std::nullopt;
    if (!path) {
        std::cerr << "leftovers: could not write the message into " << MessageFiles::folderPath()
                  << "\n";
        return kNothing;
    }
    std::printf("%s\n", path->c_str());
    return kOk;
}

} // namespace

int main(int argc, char** argv) {
    bool json = false;
    bool verbose = false;
    bool flatpak = false;
    bool flatpakOrphans = false;
    std::vector<std::string> arguments;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
            std::cout << kUsageText;
            return kOk;
        } else if (!optionsEnded && argument == "--json") {
            json = true;
        } else if (!optionsEnded && argument == "--verbose") {
            verbose = true;
        } else if (!optionsEnded && argument == "--flatpak") {
            flatpak = true;
        } else if (!optionsEnded && argument == "--flatpak-orphans") {
            flatpakOrphans = true;
        } else if (!optionsEnded && !argument.empty() && argument[0] == '-') {
            return usageError("unknown option " + argument);
        } else {
            arguments.push_back(argument);
        }
    }
    if (flatpakOrphans) {
        if (flatpak || !arguments.empty())
            return usageError("--flatpak-orphans takes no arguments");
        return LeftoversReport::listFlatpakOrphans(format(json), std::cout);
    }
    if (flatpak) {
        if (arguments.size() != 1)
            return usageError("--flatpak takes one application id");
        return LeftoversReport::listForFlatpak(arguments[0], format(json), std::cout, std::cerr,
                                               "leftovers", verbose);
    }
    if (arguments.empty())
        return usageError("nothing to do");

    const std::string& command = arguments[0];
    if (command == "read-message") {
        if (arguments.size() != 2)
            return usageError("read-message takes one file");
        return readMessage(arguments[1], json);
    }
    if (command == "write-exclude" || command == "write-clear") {
        if (json)
            return usageError("--json does not apply to " + command);
        if (command == "write-clear") {
            if (arguments.size() != 1)
                return usageError("write-clear takes no arguments");
            return writeMessage(FileMessage::CreateMessageForHelperToCancelExcludeRemovedPaths());
        }
        if (arguments.size() < 2)
            return usageError("write-exclude needs at least one path");
        return writeMessage(FileMessage::CreateMessageForHelperToExcludeRemovedPaths(
            std::vector<std::string>(arguments.begin() + 1, arguments.end())));
    }
    if (arguments.size() != 1)
        return usageError("give one application bundle");
    return LeftoversReport::listForBundle(command, format(json), std::cout, std::cerr, "leftovers",
                                          verbose);
}
