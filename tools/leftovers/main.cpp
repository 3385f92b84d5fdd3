#include "platform/Bundle.h"
#include "platform/MainQueue.h"
#include "search/AppDependencyGroup.h"
#include "search/KnowledgeBaseSimpleSearchInfo.h"
#include "search/SimpleRemainsInfo.h"
#include "shell/FileMessage.h"
#include "shell/MessageFiles.h"
#include "shell/NSStringFileSize.h"
#include "shell/WatcherMessage.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

enum ExitCode { kOk = 0, kNothing = 1, kUsage = 2 };

// Measuring a large application can take a while on a slow disk; past this the
// tool gives up rather than hang.
constexpr auto kSizeWatchdog = std::chrono::minutes(10);

const char* const kUsageText =
    "usage: leftovers [--json] <app bundle>\n"
    "       leftovers [--json] read-message <file.trforsa>\n"
    "       leftovers write-exclude <path>...\n"
    "       leftovers write-clear\n"
    "\n"
    "  <app bundle>    list what the helper would offer to remove for this application:\n"
    "                  each path with its group and measured size, and the total\n"
    "  read-message    print the leftovers in a watcher message from the helper\n"
    "  write-exclude   write a message asking the helper to ignore these paths\n"
    "  write-clear     write a message asking the helper to forget ignored paths\n"
    "  --json          print JSON instead of text\n"
    "  --help          print this text\n"
    "\n"
    "Exit status: 0 done, 1 nothing found or an unreadable file, 2 bad arguments.\n";

int usageError(const std::string& message) {
    std::cerr << "leftovers: " << message << "\n" << kUsageText;
    return kUsage;
}

std::string groupName(std::int32_t group) {
    const std::string_view name = appDependencyGroupValue(group);
    return name.empty() ? std::to_string(group) : std::string(name);
}

// Paths are bytes on Linux; JSON wants UTF-8, so odd bytes are shown replaced.
std::string dumpJson(const nlohmann::json& value) {
    return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

int printRecords(const std::vector<std::shared_ptr<PathForRemove>>& records, bool json,
                 nlohmann::json document) {
    std::uint64_t total = 0;
    nlohmann::json items = nlohmann::json::array();
    for (const auto& record : records) {
        nlohmann::json item{{"path", record->path()},
                            {"group", record->type()},
                            {"groupName", groupName(record->type())},
                            {"bundleId", record->bundleId()}};
        if (record->isSizeCalculated()) {
            item["size"] = record->getSize();
            item["sizeText"] = NSStringFileSize::convertToStringFromFileSize(record->getSize());
            total += record->getSize();
        }
        items.push_back(item);
        if (!json) {
            const std::string size =
                record->isSizeCalculated()
                    ? NSStringFileSize::convertToStringFromFileSize(record->getSize())
                    : "-";
            std::printf("%-20s %12s  %s\n", groupName(record->type()).c_str(), size.c_str(),
                        record->path().c_str());
        }
    }
    const std::string totalText = NSStringFileSize::convertToStringFromFileSize(total);
    if (json) {
        document["items"] = items;
        document["totalSize"] = total;
        document["totalSizeText"] = totalText;
        std::cout << dumpJson(document) << "\n";
    } else {
        std::printf("Total: %s\n", totalText.c_str());
    }
    return records.empty() ? kNothing : kOk;
}

int listLeftovers(const std::string& bundlePath, bool json) {
    std::shared_ptr<platform::Bundle> bundle = platform::Bundle::create(bundlePath);
    if (!bundle) {
        std::cerr << "leftovers: not a bundle folder: " << bundlePath << "\n";
        return kNothing;
    }
    auto info = SimpleRemainsInfo::create(bundle, {});
    if (!info)
        return kNothing;
    if (auto knowledge = KnowledgeBaseSimpleSearchInfo::generateForBundle(bundle))
        info->appendKnowledgeBaseInfo(*knowledge);
    if (!platform::MainQueue::shared().runUntil([&] { return info->pendingSizeCount() == 0; },
                                                kSizeWatchdog)) {
        std::cerr << "leftovers: gave up waiting for sizes\n";
        return kNothing;
    }
    std::vector<std::shared_ptr<PathForRemove>> records;
    info->addRemoveObjectPathsToArray(records);
    if (records.empty())
        std::cerr << "leftovers: nothing to offer for " << bundlePath
                  << (info->bundleId() ? "" : " (the bundle has no identifier)") << "\n";
    if (!json) {
        std::printf("%s (%s)\n", info->appName().c_str(),
                    info->bundleId().value_or("no identifier").c_str());
    }
    nlohmann::json document{{"bundle", info->mainPath()}, {"appName", info->appName()}};
    document["bundleId"] = info->bundleId() ? nlohmann::json(*info->bundleId()) : nullptr;
    return printRecords(records, json, document);
}

int readMessage(const std::string& path, bool json) {
    // Read without WatcherMessage::loadFromPath, which consumes the file.
    std::optional<std::string> text = MessageFiles::read(path);
    if (!text) {
        std::cerr << "leftovers: cannot read " << path << "\n";
        return kNothing;
    }
    auto records = WatcherMessage::parse(*text);
    if (!records) {
        std::cerr << "leftovers: not a watcher message: " << path << "\n";
        return kNothing;
    }
    return printRecords(*records, json, nlohmann::json{{"message", path}});
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
        } else if (!optionsEnded && !argument.empty() && argument[0] == '-') {
            return usageError("unknown option " + argument);
        } else {
            arguments.push_back(argument);
        }
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
    return listLeftovers(command, json);
}
