#include "search/LeftoversReport.h"

#include "platform/Bundle.h"
#include "platform/Deadline.h"
#include "platform/FileSystem.h"
#include "platform/ItemDates.h"
#include "platform/ItemStatus.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "platform/TreeSize.h"
#include "search/AppDependencyGroup.h"
#include "search/InstalledApplications.h"
#include "search/KnowledgeBaseSimpleSearchInfo.h"
#include "search/SimpleRemainsInfo.h"
#include "shell/ApplicationKinds.h"
#include "shell/FlatpakInstallations.h"
#include "shell/FlatpakKind.h"
#include "shell/FlatpakMemory.h"
#include "shell/NSStringFileSize.h"
#include "shell/PathsGenerator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>

namespace {

// Measuring a large application can take a while on a slow disk; past this the
// report gives up rather than hang.
constexpr auto kSizeWatchdog = std::chrono::minutes(10);

std::string groupName(std::int32_t group) {
    const std::string_view name = appDependencyGroupValue(group);
    return name.empty() ? std::to_string(group) : std::string(name);
}

// Paths are bytes on Linux; JSON wants UTF-8, so odd bytes are shown replaced.
std::string dumpJson(const nlohmann::json& value) {
    return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string textLine(const std::string& group, const std::string& size, const std::string& path,
                     const std::string& reason) {
    char columns[64];
    std::snprintf(columns, sizeof columns, "%-20s %12s  ", group.c_str(), size.c_str());
    return columns + path + (reason.empty() ? "" : "\twhy: " + reason) + "\n";
}

void printDropped(const std::vector<SimpleRemainsInfo::DroppedOffer>& dropped,
                  LeftoversReport::Format format, nlohmann::json& document, std::ostream& out) {
    if (format == LeftoversReport::Format::Json) {
        nlohmann::json items = nlohmann::json::array();
        for (const auto& offer : dropped)
            items.push_back({{"path", offer.path}, {"reason", offer.reason}, {"why", offer.why}});
        document["dropped"] = items;
        return;
    }
    out << "Not offered: " << dropped.size() << "\n";
    for (const auto& offer : dropped)
        out << "  " << offer.path << "\twhy not: " << offer.why << " (found by " << offer.reason
            << ")\n";
}

// The day and time, UTC, as ISO 8601 writes them.
std::string isoDate(std::chrono::system_clock::time_point date) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(date);
    std::tm utc{};
    char text[32] = "-";
    if (gmtime_r(&seconds, &utc))
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

} // namespace

int LeftoversReport::printRecords(const std::vector<std::shared_ptr<PathForRemove>>& records,
                                  Format format, nlohmann::json document, std::ostream& out,
                                  std::optional<std::uint64_t> knownTotal) {
    std::uint64_t total = 0;
    nlohmann::json items = nlohmann::json::array();
    for (const auto& record : records) {
        nlohmann::json item{{"path", record->path()},
                            {"group", record->type()},
                            {"groupName", groupName(record->type())},
                            {"bundleId", record->bundleId()},
                            {"reason", record->reason()}};
        std::string sizeText = "-";
        if (record->isSizeCalculated()) {
            sizeText = NSStringFileSize::convertToStringFromFileSize(record->getSize());
            item["size"] = record->getSize();
            item["sizeText"] = sizeText;
            total += record->getSize();
        }
        items.push_back(item);
        if (format == Format::Text)
            out << textLine(groupName(record->type()), sizeText, record->path(), record->reason());
    }
    total = knownTotal.value_or(total);
    const std::string totalText = NSStringFileSize::convertToStringFromFileSize(total);
    if (format == Format::Json) {
        document["items"] = items;
        document["totalSize"] = total;
        document["totalSizeText"] = totalText;
        out << dumpJson(document) << "\n";
    } else {
        out << "Total: " << totalText << "\n";
    }
    out.flush();
    return records.empty() ? kNothing : kFound;
}

int LeftoversReport::listForBundle(const std::string& bundlePath, Format format, std::ostream& out,
                                   std::ostream& err, const std::string& program, bool verbose) {
    std::shared_ptr<platform::Bundle> bundle = platform::Bundle::create(bundlePath);
    // An application of another kind is read as the helper reads it from the Trash.
    const ApplicationKind* kind =
        bundle ? nullptr : ApplicationKinds::mayBeApplicationAt(bundlePath);
    if (kind)
        bundle = kind->applicationAt(bundlePath);
    if (!bundle) {
        err << program << ": not a bundle folder: " << bundlePath << "\n";
        return kNothing;
    }
    // The helper offers nothing for an application of another kind while another copy of
    // it is installed; neither does its dry run.
    if (kind &&
        kind->anotherCopyInstalled(*bundle, platform::deadlineAfter(std::chrono::seconds(30)))) {
        err << program << ": another copy of " << bundlePath
            << " is installed; nothing would be offered\n";
        if (format == Format::Json)
            out << dumpJson({{"bundle", bundlePath},
                             {"anotherCopyInstalled", true},
                             {"items", nlohmann::json::array()}})
                << "\n";
        return kNothing;
    }
    return listForApplication(bundle, format, out, err, program, verbose);
}

int LeftoversReport::listForFlatpak(const std::string& id, Format format, std::ostream& out,
                                    std::ostream& err, const std::string& program, bool verbose) {
    if (!FlatpakInstallations::isValidId(id)) {
        err << program << ": not a Flatpak application id: " << id << "\n";
        return kNothing;
    }
    if (FlatpakInstallations::isInstalledAnywhere(id)) {
        err << program << ": " << id << " is installed; nothing is offered while it is\n";
        return kNothing;
    }
    // What the helper remembered of it, if it ever saw it installed.
    const FlatpakMemory memory = FlatpakMemory::load();
    const auto known = memory.records().find(id);
    return listForApplication(known != memory.records().end()
                                  ? FlatpakKind::applicationFor(known->second)
                                  : FlatpakKind::applicationFor(id),
                              format, out, err, program, verbose);
}

int LeftoversReport::listFlatpakOrphans(Format format, std::ostream& out) {
    const std::string sandboxes =
        platform::Path::appending(PathsGenerator::GetInstance().getHomeDirectory(), ".var/app");
    auto names =
        platform::FileSystem::contentsOfDirectory(sandboxes).value_or(std::vector<std::string>{});
    std::sort(names.begin(), names.end());
    std::vector<std::set<std::string>> installed;
    for (const auto& installation : FlatpakInstallations::all()) {
        std::set<std::string> ids;
        for (const auto& [id, commit] :
             FlatpakInstallations::installedApplications(installation.path)
                 .value_or(std::map<std::string, std::string>{}))
            ids.insert(id);
        installed.push_back(std::move(ids));
    }
    nlohmann::json items = nlohmann::json::array();
    std::uint64_t total = 0;
    for (const std::string& id : names) {
        const std::string path = platform::Path::appending(sandboxes, id);
        const auto status = platform::ItemStatus::of(path, platform::ItemStatus::Links::NoFollow);
        if (!FlatpakInstallations::isValidId(id) || !status || !status->directory ||
            std::any_of(installed.begin(), installed.end(),
                        [&](const std::set<std::string>& ids) { return ids.count(id) > 0; }))
            continue;
        const std::uint64_t size = platform::TreeSize::allocatedSizeOfItem(path);
        const auto dates = platform::ItemDates::read(path);
        const std::string changed =
            dates && dates->contentModification ? isoDate(*dates->contentModification) : "-";
        total += size;
        const std::string sizeText = NSStringFileSize::convertToStringFromFileSize(size);
        items.push_back({{"id", id},
                         {"path", path},
                         {"size", size},
                         {"sizeText", sizeText},
                         {"changed", changed}});
        if (format == Format::Text)
            out << textLine(id, sizeText, path, "last changed " + changed);
    }
    if (format == Format::Json)
        out << dumpJson(nlohmann::json{{"orphans", items}, {"totalSize", total}}) << "\n";
    else
        out << "Total: " << NSStringFileSize::convertToStringFromFileSize(total) << "\n";
    out.flush();
    return items.empty() ? kNothing : kFound;
}

int LeftoversReport::listForApplication(const std::shared_ptr<platform::Bundle>& bundle,
                                        Format format, std::ostream& out, std::ostream& err,
                                        const std::string& program, bool verbose) {
    const std::string& bundlePath = bundle->bundlePath();
    // A tool of its own, so the applications folders are read here, at once.
    auto info = SimpleRemainsInfo::create(bundle, {}, InstalledApplications::scan());
    if (!info)
        return kNothing;
    // The knowledge base the helper would use, not whatever lies beside this program.
    if (auto knowledge = KnowledgeBaseSimpleSearchInfo::generateForBundle(
            bundle, KnowledgeBasePathSearcher::forRunningProgram()))
        info->appendKnowledgeBaseInfo(*knowledge);
    else
        err << program << ": no knowledge base found; listing the standard places only\n";
    if (!platform::MainQueue::shared().runUntil([&] { return info->pendingSizeCount() == 0; },
                                                kSizeWatchdog)) {
        err << program << ": gave up waiting for sizes\n";
        return kNothing;
    }
    std::vector<std::shared_ptr<PathForRemove>> records;
    info->addRemoveObjectPathsToArray(records);
    if (records.empty())
        err << program << ": nothing to offer for " << bundlePath
            << (info->bundleId() ? "" : " (the bundle has no identifier)") << "\n";
    if (format == Format::Text)
        out << info->displayName() << " (" << info->bundleId().value_or("no identifier") << ")\n";
    nlohmann::json document{{"bundle", info->mainPath()}, {"appName", info->appName()}};
    document["bundleId"] = info->bundleId() ? nlohmann::json(*info->bundleId()) : nullptr;
    if (verbose && format == Format::Json)
        printDropped(info->droppedOffers(), format, document, out);
    const int status = printRecords(records, format, document, out, info->getTotalSize());
    if (verbose && format == Format::Text)
        printDropped(info->droppedOffers(), format, document, out);
    out.flush();
    return status;
}
