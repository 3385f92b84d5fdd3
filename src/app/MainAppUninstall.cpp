#include "app/MainAppUninstall.h"

#include "app/MainAppCommands.h"
#include "removal/UninstallJournal.h"
#include "shell/MessageFiles.h"
#include "shell/NSStringFileSize.h"
#include "shell/PathBytes.h"
#include "shell/WatcherMessage.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace {

constexpr const char* kProgram = "Sweepwise";

std::string shown(const std::string& path) {
    return PathBytes::readableForm(path);
}

// A path in JSON: readable, with its exact bytes beside it when they are not UTF-8.
void putPath(nlohmann::json& object, const std::string& key, const std::string& path) {
    object[key] = PathBytes::readableForm(path);
    if (PathBytes::needsBytes(path))
        object[key + "Bytes"] = PathBytes::toBase64(path);
}

nlohmann::json leftList(const std::vector<Uninstaller::Left>& left) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& entry : left) {
        nlohmann::json object;
        putPath(object, "path", entry.path);
        object["why"] = entry.why;
        list.push_back(std::move(object));
    }
    return list;
}

int usageError(std::ostream& err, const std::string& problem) {
    err << kProgram << ": " << problem << "\n" << MainAppCommands::usage();
    return MainAppCommands::kUsage;
}

std::string plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

void MainAppUninstall::printReport(const Uninstaller::Report& report, bool puttingBack,
                                   std::ostream& out) {
    for (const auto& item : report.moved) {
        if (puttingBack)
            out << "back\t" << shown(item.original) << '\n';
        else
            out << "moved\t" << shown(item.original) << '\t' << shown(item.filesPath()) << '\t'
                << item.size << '\n';
    }
    for (const auto& entry : report.stayed)
        out << "stayed\t" << shown(entry.path) << '\t' << entry.why << '\n';
    for (const auto& entry : report.passed)
        out << "passed\t" << shown(entry.path) << '\t' << entry.why << '\n';
    if (puttingBack)
        out << "put back " << plural(report.moved.size(), "item", "items");
    else
        out << "moved " << plural(report.moved.size(), "item", "items") << " to the Trash, "
            << NSStringFileSize::convertToStringFromFileSize(report.freed) << " freed";
    out << "; " << report.stayed.size() << " stayed\n";
    if (!puttingBack && !report.moved.empty())
        out << "journal: " << report.journal << " (Sweepwise restore puts it all back)\n";
}

std::string MainAppUninstall::reportJson(const Uninstaller::Report& report, bool puttingBack) {
    nlohmann::json root;
    nlohmann::json moved = nlohmann::json::array();
    for (const auto& item : report.moved) {
        nlohmann::json object;
        putPath(object, "path", item.original);
        putPath(object, "trashed", item.filesPath());
        putPath(object, "trashInfo", item.infoPath());
        object["size"] = item.size;
        moved.push_back(std::move(object));
    }
    root[puttingBack ? "back" : "moved"] = std::move(moved);
    root["stayed"] = leftList(report.stayed);
    root["passed"] = leftList(report.passed);
    root["bytes"] = report.freed;
    if (!report.journal.empty())
        putPath(root, "journal", report.journal);
    return root.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

int MainAppUninstall::uninstall(const std::vector<std::string>& options, std::ostream& out,
                                std::ostream& err) {
    bool yes = false;
    bool json = false;
    std::vector<std::string> messages;
    for (const std::string& option : options) {
        if (option == "--yes")
            yes = true;
        else if (option == "--json")
            json = true;
        else if (option.starts_with("--"))
            return usageError(err, "uninstall does not know " + option);
        else
            messages.push_back(option);
    }
    if (messages.size() != 1)
        return usageError(err, "uninstall takes one watcher message (FILE.trforsa)");
    const std::string& path = messages.front();
    if (!path.ends_with(WatcherMessage::kSuffix))
        return usageError(err, path + " is not a " + WatcherMessage::kSuffix + " file");

    // Only reading leaves the message in place, for the run that moves.
    std::optional<MessageFileFault> fault;
    std::optional<std::vector<std::shared_ptr<PathForRemove>>> items;
    if (std::optional<std::string> text = MessageFiles::read(path, &fault))
        items = WatcherMessage::parse(*text, &fault);
    if (!items) {
        err << kProgram << ": " << path << " is not a readable watcher message"
            << (fault ? ": " + fault->describe() : std::string()) << "\n";
        return MainAppCommands::kFailure;
    }

    const Uninstaller uninstaller = Uninstaller::current();
    const std::vector<Uninstaller::Item> plan = uninstaller.plan(*items);
    if (!yes) {
        nlohmann::json list = nlohmann::json::array();
        std::size_t moving = 0;
        std::uint64_t bytes = 0;
        for (const auto& item : plan) {
            const bool moves = item.state == Uninstaller::Item::State::ToMove;
            const char* verdict = moves                                             ? "move"
                                  : item.state == Uninstaller::Item::State::Refused ? "stay"
                                                                                    : "pass";
            moving += moves;
            if (moves && item.offered->isSizeCalculated())
                bytes += item.offered->getSize();
            if (json) {
                nlohmann::json object;
                object["verdict"] = verdict;
                putPath(object, "path", item.path());
                if (moves)
                    putPath(object, "trash", item.trash);
                else
                    object["why"] = item.why;
                list.push_back(std::move(object));
            } else {
                out << verdict << '\t' << shown(item.path()) << '\t'
                    << (moves ? shown(item.trash) : item.why) << '\n';
            }
        }
        if (json)
            out << nlohmann::json{{"wouldMove", std::move(list)}}.dump(
                       -1, ' ', false, nlohmann::json::error_handler_t::replace)
                << "\n";
        else
            out << "would move " << plural(moving, "item", "items") << " ("
                << NSStringFileSize::convertToStringFromFileSize(bytes)
                << ") to the Trash; nothing moved without --yes\n";
        return MainAppCommands::kSuccess;
    }

    const Uninstaller::Report report = uninstaller.run(plan);
    if (!report.failure.empty()) {
        err << kProgram << ": nothing moved: " << report.failure << "\n";
        return MainAppCommands::kFailure;
    }
    MessageFiles::remove(path);
    if (json)
        out << reportJson(report, false);
    else
        printReport(report, false, out);
    return report.stayed.empty() ? MainAppCommands::kSuccess : kPartly;
}

int MainAppUninstall::restore(const std::vector<std::string>& options, std::ostream& out,
                              std::ostream& err) {
    bool json = false;
    for (const std::string& option : options) {
        if (option != "--json")
            return usageError(err, "restore takes only --json");
        json = true;
    }
    std::optional<std::string> journal = UninstallJournal::newest();
    if (!journal) {
        err << kProgram << ": no uninstall to put back in " << UninstallJournal::folder() << "\n";
        return MainAppCommands::kFailure;
    }
    const Uninstaller::Report report = Uninstaller::putBack(*journal);
    if (!report.failure.empty()) {
        err << kProgram << ": " << report.failure << "\n";
        return MainAppCommands::kFailure;
    }
    if (json)
        out << reportJson(report, true);
    else
        printReport(report, true, out);
    if (!report.stayed.empty())
        return kPartly;
    return report.moved.empty() ? MainAppCommands::kFailure : MainAppCommands::kSuccess;
}
