#include "search/OfferReason.h"

#include <algorithm>

namespace {

std::string matchText(const OfferReason& reason) {
    switch (reason.match) {
    case OfferReason::Match::Identifier:
        return "identifier " + reason.matched;
    case OfferReason::Match::Executable:
        return "executable " + reason.matched;
    case OfferReason::Match::Name:
        return "name " + reason.matched;
    case OfferReason::Match::Domain:
        return "domain " + reason.domain;
    case OfferReason::Match::None:
        if (!reason.place.empty())
            return reason.matched;
        break;
    }
    return {};
}

const char* modeText(OfferReason::Mode mode) {
    switch (mode) {
    case OfferReason::Mode::Prefix:
        return " (prefix)";
    case OfferReason::Mode::Substring:
        return " (part of the name)";
    case OfferReason::Mode::CaseInsensitive:
        return " (any case)";
    case OfferReason::Mode::Exact:
        break;
    }
    return "";
}

std::string filterText(const OfferReason& reason) {
    std::string text;
    auto add = [&](const char* label, const std::string& value) {
        if (value.empty())
            return;
        text += text.empty() ? " filter " : ", ";
        text += label + value;
    };
    add("name ", reason.filterName);
    add("prefix ", reason.filterPrefix);
    add("suffix ", reason.filterSuffix);
    return text;
}

} // namespace

OfferReason OfferReason::bundle() {
    OfferReason reason;
    reason.source = Source::Bundle;
    return reason;
}

OfferReason OfferReason::standardPlace(int row, std::string folder, Match match, Mode mode,
                                       std::string matched) {
    OfferReason reason;
    reason.source = Source::StandardPlace;
    reason.row = row;
    reason.folder = std::move(folder);
    reason.match = match;
    reason.mode = mode;
    reason.matched = std::move(matched);
    return reason;
}

OfferReason OfferReason::otherKindPlace(std::string place, std::string folder, Match match,
                                        std::string matched) {
    OfferReason reason;
    reason.source = Source::StandardPlace;
    reason.place = std::move(place);
    reason.folder = std::move(folder);
    reason.match = match;
    reason.matched = std::move(matched);
    return reason;
}

OfferReason OfferReason::record(std::string domain) {
    OfferReason reason;
    reason.source = Source::Record;
    reason.match = Match::Domain;
    reason.domain = std::move(domain);
    return reason;
}

std::string OfferReason::text() const {
    std::string where;
    switch (source) {
    case Source::Bundle:
        return "the application";
    case Source::StandardPlace:
        where = place.empty() ? "standard place " + std::to_string(row) + " (" + folder + ")"
                              : place + " (" + folder + ")";
        break;
    case Source::Rule:
        where = "knowledge-base rule " + folder + filterText(*this);
        break;
    case Source::Record:
        where = "knowledge-base record";
        break;
    case Source::Unknown:
        where = "found";
        break;
    }
    const std::string what = matchText(*this);
    if (what.empty())
        return where;
    return where + ": " + what + (match == Match::Domain ? "" : modeText(mode));
}

std::string reasonsText(const std::vector<OfferReason>& reasons) {
    std::vector<std::string> lines;
    std::string text;
    for (const OfferReason& reason : reasons) {
        std::string line = reason.text();
        if (std::find(lines.begin(), lines.end(), line) != lines.end())
            continue;
        if (!text.empty())
            text += "; ";
        text += line;
        lines.push_back(std::move(line));
    }
    return text;
}
