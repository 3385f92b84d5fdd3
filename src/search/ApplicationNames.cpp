#include "search/ApplicationNames.h"

#include "platform/Bundle.h"
#include "platform/FoldedText.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/Utf8.h"
#include "search/FileItem.h"

#include <algorithm>

namespace {

// Files of the main application's own edition carry this mark in their names; they
// are not leftovers of an application whose identifier lacks it.
constexpr std::string_view kMainAppEditionMark = "-SIII";
constexpr std::string_view kProEditionIdentifier = "com.halvorn.Sweepwise-Pro";
constexpr std::string_view kPlainEditionIdentifier = "com.halvorn.Sweepwise";

// Team identifiers are ten upper-case letters and digits.
constexpr std::size_t kTeamIdentifierLength = 10;

bool isComponentBoundary(std::string_view name, std::size_t start, std::size_t end) {
    return (start == 0 || name[start - 1] == '.') && (end == name.size() || name[end] == '.');
}

// Whether `name` holds `part` (ignoring case) where a dot or the name's edge lies on
// both sides.
bool holdsAsWholeParts(std::string_view name, std::string_view part) {
    if (part.empty() || part.size() > name.size() * 3)
        return false;
    if (platform::Utf8::isAscii(name) && platform::Utf8::isAscii(part)) {
        for (auto at = platform::Text::caseInsensitiveFind(name, part, 0); at;
             at = platform::Text::caseInsensitiveFind(name, part, *at + 1)) {
            if (isComponentBoundary(name, *at, *at + part.size()))
                return true;
        }
        return false;
    }
    const platform::FoldedText folded(name);
    const platform::FoldedText foldedPart(part);
    const std::string& key = foldedPart.key();
    for (std::size_t at = folded.key().find(key); at != std::string::npos;
         at = folded.key().find(key, at + 1)) {
        auto start = folded.sourceOffset(at);
        auto end = folded.sourceOffset(at + key.size());
        if (start && end && isComponentBoundary(name, *start, *end))
            return true;
    }
    return false;
}

bool isTeamIdentifier(std::string_view text) {
    return text.size() == kTeamIdentifierLength &&
           std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// A name fit to compare entries with: something, and no path.
bool isUsableName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::optional<std::string> infoString(const platform::Bundle& bundle, std::string_view key) {
    if (const platform::PlistValue* value = bundle.objectForInfoDictionaryKey(key)) {
        if (const std::string* text = value->asString(); text && !text->empty())
            return *text;
    }
    return std::nullopt;
}

} // namespace

ApplicationNames::ApplicationNames(std::optional<std::string> bundleId,
                                   std::optional<std::string> executable,
                                   std::vector<std::string> furtherNames)
    : m_bundleId(std::move(bundleId)) {
    // An empty identifier would be found in every name.
    if (m_bundleId && m_bundleId->empty())
        m_bundleId.reset();
    if (executable && !executable->empty())
        m_names.push_back(std::move(*executable));
    for (std::string& name : furtherNames) {
        if (!isUsableName(name))
            continue;
        const bool known = std::any_of(m_names.begin(), m_names.end(), [&](const std::string& n) {
            return platform::Text::caseInsensitiveEquals(n, name);
        });
        if (!known)
            m_names.push_back(std::move(name));
    }
    if (!m_bundleId)
        return;
    // "com.vendor.product": the vendor is the part after the top-level domain.
    const std::string& id = *m_bundleId;
    const std::size_t first = id.find('.');
    const std::size_t second = first == std::string::npos ? first : id.find('.', first + 1);
    const std::size_t last = id.rfind('.');
    if (second != std::string::npos && last + 1 < id.size() && second > first + 1) {
        m_vendor = id.substr(first + 1, second - first - 1);
        m_identifierProduct = id.substr(last + 1);
    }
}

ApplicationNames ApplicationNames::forBundle(const platform::Bundle& bundle) {
    std::vector<std::string> further;
    for (std::string_view key : {"CFBundleName", "CFBundleDisplayName"}) {
        if (auto name = infoString(bundle, key))
            further.push_back(std::move(*name));
    }
    return ApplicationNames(bundle.bundleIdentifier(), executableNameForBundle(bundle),
                            std::move(further));
}

std::string ApplicationNames::executableNameForBundle(const platform::Bundle& bundle) {
    if (const platform::PlistValue* executable =
            bundle.objectForInfoDictionaryKey("CFBundleExecutable")) {
        // An empty executable name stays empty: the rows and the name test that use
        // it then take nothing, rather than whatever the folder happens to be called.
        if (const std::string* name = executable->asString())
            return *name;
    }
    return platform::Path::deletingExtension(platform::Path::lastComponent(bundle.bundlePath()));
}

bool ApplicationNames::matchesEntry(const FileItem& item) const {
    const std::string& name = item.getNameWithExt();
    if (!m_bundleId || name.empty())
        return false;
    if (holdsIdentifier(name))
        return true;
    // The walked folder is the root of the tree and has no parent of its own.
    const std::shared_ptr<FileItem> folder = item.getParent();
    if (!folder)
        return false;
    const std::shared_ptr<FileItem> above = folder->getParent();
    if (!above)
        return isApplicationName(name) || isTeamContainerName(name);
    return !above->getParent() && isProductInVendorFolder(name, folder->getNameWithExt());
}

bool ApplicationNames::matchesTopLevelName(std::string_view name) const {
    if (!m_bundleId || name.empty())
        return false;
    return holdsIdentifier(name) || isApplicationName(name) || isTeamContainerName(name);
}

bool ApplicationNames::holdsIdentifier(std::string_view name) const {
    if (!m_bundleId || !holdsAsWholeParts(name, *m_bundleId))
        return false;
    if (name.find(kMainAppEditionMark) != std::string_view::npos &&
        m_bundleId->find(kMainAppEditionMark) == std::string::npos)
        return false;
    if (name.find(kProEditionIdentifier) != std::string_view::npos)
        return *m_bundleId != kPlainEditionIdentifier;
    return true;
}

bool ApplicationNames::isApplicationName(std::string_view name) const {
    return std::any_of(m_names.begin(), m_names.end(), [&](const std::string& own) {
        return platform::Text::caseInsensitiveEquals(name, own);
    });
}

bool ApplicationNames::isTeamContainerName(std::string_view name) const {
    const std::size_t dot = name.find('.');
    return dot != std::string_view::npos && isTeamIdentifier(name.substr(0, dot)) &&
           isApplicationName(name.substr(dot + 1));
}

bool ApplicationNames::isProductInVendorFolder(std::string_view name,
                                               std::string_view folder) const {
    if (m_vendor.empty() || !platform::Text::caseInsensitiveEquals(folder, m_vendor))
        return false;
    return isApplicationName(name) ||
           platform::Text::caseInsensitiveEquals(name, m_identifierProduct);
}
