#include "search/OfferSafetyPass.h"

#include "knowledge/LeftoverPlaces.h"
#include "platform/Environment.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/Utf8.h"
#include "search/ApplicationNames.h"
#include "search/SimpleRemainsInfo.h"

#include <algorithm>

namespace {

// Folders of the Library that the standard places and common rules live in: never
// offered themselves, whatever names them. The rest of the shared folders are
// LeftoverPlaces'.
constexpr const char* kSharedFolders[] = {
    "Library",          "Library/Application Scripts", "Library/Group Containers",
    "Library/WebKit",   "Library/HTTPStorages",        "Library/Logs/DiagnosticReports",
    "Library/Services", "Library/Internet Plug-Ins",   "Library/PreferencePanes",
};

void addWithAncestors(std::vector<std::string>& folders, const std::string& path,
                      const std::string& stop) {
    for (std::string folder = path; !folder.empty() && folder != stop;
         folder = platform::Path::deletingLastComponent(folder)) {
        folders.push_back(folder);
        if (folder == "/")
            break;
    }
}

std::string lastComponent(const std::string& path) {
    return platform::Path::lastComponent(path);
}

bool sameIdentifier(const std::optional<std::string>& a, const std::optional<std::string>& b) {
    return a && b && platform::Text::caseInsensitiveEquals(*a, *b);
}

// Whether `specific` is longer than `general` and holds it, ignoring case.
bool isMoreSpecific(const std::string& specific, const std::string& general) {
    return !general.empty() && specific.size() > general.size() &&
           platform::Text::caseInsensitiveFind(specific, general).has_value();
}

} // namespace

OfferSafetyPass::OfferSafetyPass(std::optional<std::string> bundleId,
                                 std::vector<std::string> names, std::string bundlePath,
                                 std::string home,
                                 std::shared_ptr<const InstalledApplications> installed)
    : m_bundleId(std::move(bundleId)), m_bundlePath(std::move(bundlePath)),
      m_home(normalizedPath(home).value_or(std::string())), m_installed(std::move(installed)) {
    for (std::string& name : names) {
        if (isUsableName(name))
            m_names.push_back(std::move(name));
    }
    addWithAncestors(m_protectedFolders, m_home.empty() ? "/" : m_home, "");
    if (m_home.empty())
        return;
    for (const auto& location : SimpleRemainsInfo::standardLocations())
        addWithAncestors(m_protectedFolders, platform::Path::appending(m_home, location.subPath),
                         m_home);
    for (const char* folder : kSharedFolders)
        addWithAncestors(m_protectedFolders, platform::Path::appending(m_home, folder), m_home);
    // The base-directory folders where the environment puts them elsewhere.
    for (auto folder :
         {platform::Environment::UserFolder::Config, platform::Environment::UserFolder::Cache,
          platform::Environment::UserFolder::Data, platform::Environment::UserFolder::State}) {
        if (auto normal = normalizedPath(platform::Environment::userDirectory(folder)))
            addWithAncestors(m_protectedFolders, *normal, "/");
    }
    for (const std::string& folder : InstalledApplications::applicationFolders()) {
        if (auto normal = normalizedPath(folder))
            addWithAncestors(m_protectedFolders, *normal, "/");
    }
}

std::optional<std::string> OfferSafetyPass::normalizedPath(std::string_view path) {
    if (!path.starts_with('/') || path.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::string result;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        // Lexically ".." may name something else than it seems once links are
        // followed; such a path is not ours to guess at.
        if (part == "..")
            return std::nullopt;
        result += '/';
        result += part;
    }
    return result.empty() ? std::string("/") : result;
}

bool OfferSafetyPass::isInside(std::string_view path, std::string_view folder) {
    if (folder == "/")
        return path.size() > 1 && path.starts_with('/');
    return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/';
}

bool OfferSafetyPass::isUsableName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || !platform::Utf8::isValid(name))
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == '/' || byte < 0x20 || byte == 0x7f;
    });
}

bool OfferSafetyPass::isSpecificIdentifier(std::string_view identifier) {
    int components = 0;
    std::size_t start = 0;
    while (start <= identifier.size()) {
        std::size_t end = identifier.find('.', start);
        if (end == std::string_view::npos)
            end = identifier.size();
        if (end > start)
            ++components;
        start = end + 1;
    }
    return components >= 2;
}

bool OfferSafetyPass::isBoundary(char c) {
    return c == '.' || c == '_' || c == '-' || c == ' ';
}

bool OfferSafetyPass::isBoundaryAfterIdentifier(char c) {
    return c == '.' || c == '_' || c == ' ';
}

bool OfferSafetyPass::isTopLevelDomainLike(std::string_view identifier) {
    return identifier.size() >= 2 && identifier.size() <= 4 &&
           std::all_of(identifier.begin(), identifier.end(),
                       [](char c) { return c >= 'a' && c <= 'z'; });
}

bool OfferSafetyPass::holdsBounded(std::string_view name, std::string_view part, bool identifier) {
    if (part.empty())
        return false;
    const std::string lowerName = platform::Text::lowercase(name);
    const std::string lowerPart = platform::Text::lowercase(part);
    for (std::size_t at = lowerName.find(lowerPart); at != std::string::npos;
         at = lowerName.find(lowerPart, at + 1)) {
        const std::size_t end = at + lowerPart.size();
        const bool before =
            at == 0 || isBoundary(lowerName[at - 1]) || isBoundary(lowerPart.front());
        const bool after =
            end == lowerName.size() ||
            (identifier ? isBoundaryAfterIdentifier(lowerName[end]) : isBoundary(lowerName[end])) ||
            isBoundary(lowerPart.back());
        if (before && after)
            return true;
    }
    return false;
}

OfferSafetyPass::Verdict OfferSafetyPass::check(const Candidate& candidate) const {
    const std::optional<std::string> path = normalizedPath(candidate.path);
    if (!path)
        return {{}, "not a plain absolute path"};
    if (candidate.reason.source == OfferReason::Source::Bundle)
        return {*path, {}};
    std::string why = refusalOfPath(*path);
    if (why.empty())
        why = refusalOfMatch(lastComponent(*path), candidate.reason);
    if (why.empty())
        why = refusalForInstalled(lastComponent(*path));
    if (!why.empty())
        return {{}, why};
    return {*path, {}};
}

std::string OfferSafetyPass::refusalOfPath(const std::string& path) const {
    if (std::find(m_protectedFolders.begin(), m_protectedFolders.end(), path) !=
            m_protectedFolders.end() ||
        (!m_home.empty() && isInside(path, m_home) &&
         LeftoverPlaces::isShared(
             std::string_view(path).substr(m_home == "/" ? 1 : m_home.size() + 1))))
        return "a shared folder, not the application's";
    if (!m_installed)
        return {};
    for (const auto& application : m_installed->applications()) {
        if (application.path == m_bundlePath || sameIdentifier(application.identifier, m_bundleId))
            continue;
        const std::optional<std::string> bundle = normalizedPath(application.path);
        if (!bundle)
            continue;
        if (path == *bundle || isInside(path, *bundle))
            return "inside the installed application " + application.path;
        if (isInside(*bundle, path))
            return "holds the installed application " + application.path;
    }
    return {};
}

std::string OfferSafetyPass::refusalOfMatch(const std::string& name,
                                            const OfferReason& reason) const {
    const bool byIdentifier = reason.match == OfferReason::Match::Identifier;
    if (reason.match == OfferReason::Match::None || reason.match == OfferReason::Match::Domain) {
        // A rule's own prefix still needs its boundary, whoever claims the item.
    } else if (!isUsableName(reason.matched)) {
        return "matched on a name that cannot name files";
    } else if (byIdentifier && reason.matchesByPart() && !isSpecificIdentifier(reason.matched)) {
        // A one-part identifier ("TeXShop") takes names it begins as a whole part; "com"
        // would take every "com.*" name.
        const bool dotted = platform::Text::caseInsensitiveHasPrefix(name, reason.matched) &&
                            name.size() > reason.matched.size() &&
                            name[reason.matched.size()] == '.';
        if (!dotted || isTopLevelDomainLike(reason.matched))
            return "the identifier " + reason.matched + " is too short to match part of a name";
    } else if (reason.mode == OfferReason::Mode::Prefix) {
        if (!platform::Text::caseInsensitiveHasPrefix(name, reason.matched))
            return "does not start with " + reason.matched;
        const std::size_t end = reason.matched.size();
        const bool bounded =
            end == name.size() || isBoundary(reason.matched.back()) ||
            (byIdentifier ? isBoundaryAfterIdentifier(name[end]) : isBoundary(name[end]));
        if (!bounded)
            return "continues " + reason.matched + " without a boundary";
    } else if (reason.mode == OfferReason::Mode::Substring &&
               !holdsBounded(name, reason.matched, byIdentifier)) {
        return "holds " + reason.matched + " only as part of a longer word";
    } else if (reason.mode == OfferReason::Mode::Convention) {
        if (byIdentifier && !isSpecificIdentifier(reason.matched))
            return "the identifier " + reason.matched + " is too short for a naming convention";
        const std::string compactName =
            platform::Text::lowercase(ApplicationNames::withoutSpaces(name));
        const std::string compactMatch =
            platform::Text::lowercase(ApplicationNames::withoutSpaces(reason.matched));
        if (compactMatch.empty() || compactName.find(compactMatch) == std::string::npos)
            return "does not hold " + reason.matched;
    }
    // A record of the application that lists this very path outweighs the rule's prefix.
    const std::string& prefix = reason.filterPrefix;
    if (!reason.listed && !prefix.empty() && name.size() > prefix.size() &&
        name.starts_with(prefix) && !isBoundary(prefix.back()) && !isBoundary(name[prefix.size()]))
        return "continues the rule's prefix " + prefix + " without a boundary";
    return {};
}

std::string OfferSafetyPass::refusalForInstalled(const std::string& name) const {
    if (!m_installed)
        return {};
    const std::string bare = platform::Path::deletingExtension(name);
    for (const auto& application : m_installed->applications()) {
        if (application.path == m_bundlePath || sameIdentifier(application.identifier, m_bundleId))
            continue;
        const std::string& other = application.identifier.value_or(std::string());
        if (m_bundleId && isUsableName(other) && isMoreSpecific(other, *m_bundleId) &&
            platform::Text::caseInsensitiveFind(name, other))
            return "belongs to the installed " + other;
        for (const std::string& otherName : application.names) {
            if (!isUsableName(otherName))
                continue;
            if (platform::Text::caseInsensitiveEquals(name, otherName) ||
                platform::Text::caseInsensitiveEquals(bare, otherName))
                return "named like the installed application " + otherName;
            for (const std::string& ours : m_names) {
                if (isMoreSpecific(otherName, ours) &&
                    platform::Text::caseInsensitiveHasPrefix(name, otherName))
                    return "belongs to the installed application " + otherName;
            }
        }
    }
    return {};
}
