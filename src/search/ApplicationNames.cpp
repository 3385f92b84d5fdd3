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

// Before a part only a dot or the name's start; after it also "_" and a space, which no
// bundle identifier continues with. A "-" may continue an identifier
// ("com.example.foo-helper" can be another application's), so it bounds nothing.
bool isBoundaryAfter(char c) {
    return c == '.' || c == '_' || c == ' ';
}

bool isComponentBoundary(std::string_view name, std::size_t start, std::size_t end) {
    return (start == 0 || name[start - 1] == '.') &&
           (end == name.size() || isBoundaryAfter(name[end]));
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

// The extensions a settings or log file named after the application carries.
constexpr std::string_view kNamedFileExtensions[] = {".plist", ".log"};

// Names that, on their own, say nothing about which application a file belongs to.
constexpr std::string_view kCommonWords[] = {
    "Settings",    "Preferences", "Support",  "Data",   "Cache",   "Caches",    "Logs",   "Library",
    "Application", "App",         "Electron", "Shared", "Service", "Extension", "Plugin",
};

// "2", "2024", "5.1": a version glued to a name.
bool isVersion(std::string_view text) {
    if (text.empty() || text.front() == '.' || text.back() == '.')
        return false;
    bool digit = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.') {
            if (text[i - 1] == '.')
                return false;
        } else if (text[i] < '0' || text[i] > '9') {
            return false;
        } else {
            digit = true;
        }
    }
    return digit;
}

// The component word `text` begins with, followed by the text's end or a boundary.
std::optional<std::string_view> componentAt(std::string_view text, bool wholeText) {
    for (std::string_view word : ApplicationNames::componentWords()) {
        if (text.size() < word.size() || !platform::Text::caseInsensitiveHasPrefix(text, word))
            continue;
        if (text.size() == word.size() || (!wholeText && isBoundaryAfter(text[word.size()])))
            return text.substr(0, word.size());
    }
    return std::nullopt;
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
    if (executable && !executable->empty()) {
        m_executable = *executable;
        m_names.push_back(std::move(*executable));
    }
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
        m_vendorPrefix = id.substr(0, second);
    }
    // The names the conventions may use, and the vendor prefix with each of them.
    for (const std::string& name : m_names) {
        if (isCommonWord(name) || !platform::Utf8::isAscii(name))
            continue;
        m_conventionNames.push_back(name);
        const std::string compact = withoutSpaces(name);
        if (!m_vendorPrefix.empty() && !compact.empty() && compact.find('.') == std::string::npos)
            m_vendorPatterns.emplace_back(name, m_vendorPrefix + "." + compact);
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

const std::vector<std::string_view>& ApplicationNames::componentWords() {
    // Longest first, so that "LaunchAtLoginHelper" is not read as "LaunchAtLogin".
    static const std::vector<std::string_view> words{
        "LaunchAtLoginHelper",
        "LaunchAtLogin",
        "LaunchHelper",
        "LoginHelper",
        "LoginItem",
        "Launcher",
        "Updater",
        "Helper",
        "Daemon",
        "Agent",
        "Help",
    };
    return words;
}

bool ApplicationNames::isCommonWord(std::string_view name) {
    const auto same = [&](std::string_view word) {
        return platform::Text::caseInsensitiveEquals(name, word);
    };
    return std::any_of(componentWords().begin(), componentWords().end(), same) ||
           std::any_of(std::begin(kCommonWords), std::end(kCommonWords), same);
}

void ApplicationNames::Match::applyTo(OfferReason& reason) const {
    reason.match = match;
    reason.mode = mode;
    reason.matched = matched;
    reason.convention = convention;
}

std::optional<ApplicationNames::Match> ApplicationNames::matchEntry(const FileItem& item) const {
    const std::string& name = item.getNameWithExt();
    if (!m_bundleId || name.empty())
        return std::nullopt;
    if (auto found = matchIdentifierForms(name))
        return found;
    // The walked folder is the root of the tree and has no parent of its own.
    const std::shared_ptr<FileItem> folder = item.getParent();
    if (!folder)
        return std::nullopt;
    const std::shared_ptr<FileItem> above = folder->getParent();
    if (!above)
        return matchTopLevelName(name);
    if (above->getParent() || !isProductInVendorFolder(name, folder->getNameWithExt()))
        return std::nullopt;
    return Match{OfferReason::Match::Name, OfferReason::Mode::Convention, name,
                 "in the vendor folder " + folder->getNameWithExt()};
}

std::optional<ApplicationNames::Match>
ApplicationNames::matchTopLevelName(std::string_view name) const {
    if (!m_bundleId || name.empty())
        return std::nullopt;
    if (auto found = matchIdentifierForms(name))
        return found;
    if (auto found = matchNameForms(name))
        return found;
    const std::size_t dot = name.find('.');
    if (isTeamContainerName(name))
        return Match{OfferReason::Match::Name, OfferReason::Mode::Convention,
                     std::string(name.substr(dot + 1)), "after a team identifier"};
    return std::nullopt;
}

std::optional<ApplicationNames::Match>
ApplicationNames::matchIdentifierForms(std::string_view name) const {
    if (!m_bundleId)
        return std::nullopt;
    const std::string& id = *m_bundleId;
    if (holdsIdentifier(name)) {
        const bool whole = platform::Text::caseInsensitiveEquals(name, id);
        return Match{OfferReason::Match::Identifier,
                     whole ? OfferReason::Mode::Exact : OfferReason::Mode::Substring,
                     id,
                     {}};
    }
    // The conventions below need an identifier of two parts or more and plain ASCII.
    if (id.find('.') == std::string::npos || !platform::Utf8::isAscii(name) ||
        !platform::Utf8::isAscii(id) || editionMarkRefuses(name))
        return std::nullopt;
    // "com.example.fooHelper", "com.example.fooLauncher.plist": a login item or helper
    // named by the identifier with a component word glued on.
    for (auto at = platform::Text::caseInsensitiveFind(name, id, 0); at;
         at = platform::Text::caseInsensitiveFind(name, id, *at + 1)) {
        if (*at != 0 && name[*at - 1] != '.')
            continue;
        if (auto word = componentAt(name.substr(*at + id.size()), false))
            return Match{OfferReason::Match::Identifier, OfferReason::Mode::Convention, id,
                         "with the component word " + std::string(*word)};
    }
    // "com.example.keyboardmaestro.engine" for "Keyboard Maestro" of
    // "com.example.keyboardmaestro.editor": the vendor prefix and the name as a whole
    // part. The vendor prefix alone takes nothing.
    if (m_vendorPatterns.empty() || !platform::Text::caseInsensitiveFind(name, m_vendorPrefix))
        return std::nullopt;
    for (const auto& [own, pattern] : m_vendorPatterns) {
        if (holdsAsWholeParts(name, pattern))
            return nameMatch(own, OfferReason::Mode::Convention,
                             "after the vendor prefix " + m_vendorPrefix);
    }
    return std::nullopt;
}

std::optional<ApplicationNames::Match>
ApplicationNames::matchNameForms(std::string_view name) const {
    for (const std::string& own : m_names) {
        if (platform::Text::caseInsensitiveEquals(name, own))
            return nameMatch(own, OfferReason::Mode::CaseInsensitive);
    }
    if (!platform::Utf8::isAscii(name))
        return std::nullopt;
    for (const std::string& own : m_conventionNames) {
        if (name.size() <= own.size() || !platform::Text::caseInsensitiveHasPrefix(name, own))
            continue;
        const std::string_view rest = name.substr(own.size());
        // A settings or log file's extension after the name, or after the forms below.
        std::string_view extension;
        for (std::string_view candidate : kNamedFileExtensions) {
            if (rest.size() >= candidate.size() &&
                platform::Text::caseInsensitiveHasSuffix(rest, candidate))
                extension = rest.substr(rest.size() - candidate.size());
        }
        for (std::string_view tail : {rest, rest.substr(0, rest.size() - extension.size())}) {
            const bool stripped = tail.size() < rest.size();
            const std::string withExtension =
                stripped ? " and the extension " + std::string(extension) : std::string();
            if (tail.empty())
                return nameMatch(own, OfferReason::Mode::Convention,
                                 "with the extension " + std::string(extension));
            // Glued on directly or after a space; "foo-agent" may be another
            // application's name.
            if (tail.front() == ' ')
                tail.remove_prefix(1);
            // "Foo Helper", "FooAgent": a part of the application.
            if (auto word = componentAt(tail, true))
                return nameMatch(own, OfferReason::Mode::Convention,
                                 "with the component word " + std::string(*word) + withExtension);
            // "Foo 2", "Foo2024": a version of it.
            if (isVersion(tail))
                return nameMatch(own, OfferReason::Mode::Convention,
                                 "with the version " + std::string(tail) + withExtension);
            if (!stripped && extension.empty())
                break;
        }
    }
    return std::nullopt;
}

std::optional<ApplicationNames::Match> ApplicationNames::nameMatch(const std::string& own,
                                                                   OfferReason::Mode mode,
                                                                   std::string convention) const {
    const bool executable = !m_executable.empty() && own == m_executable;
    return Match{executable ? OfferReason::Match::Executable : OfferReason::Match::Name, mode, own,
                 std::move(convention)};
}

bool ApplicationNames::editionMarkRefuses(std::string_view name) const {
    if (name.find(kMainAppEditionMark) != std::string_view::npos &&
        m_bundleId->find(kMainAppEditionMark) == std::string::npos)
        return true;
    return name.find(kProEditionIdentifier) != std::string_view::npos &&
           *m_bundleId == kPlainEditionIdentifier;
}

bool ApplicationNames::holdsIdentifier(std::string_view name) const {
    if (!m_bundleId || !holdsAsWholeParts(name, *m_bundleId))
        return false;
    // A one-part identifier ("TeXShop") stands only at the name's start, alone or before
    // a dot: after a dot it would be the last part of somebody else's identifier, and
    // before a space it is the application's name ("TeXShop Help"), which the name
    // forms judge.
    const std::string& id = *m_bundleId;
    if (id.find('.') == std::string::npos && (!platform::Text::caseInsensitiveHasPrefix(name, id) ||
                                              (name.size() > id.size() && name[id.size()] != '.')))
        return false;
    return !editionMarkRefuses(name);
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

std::string ApplicationNames::withoutSpaces(std::string_view text) {
    std::string result;
    for (char c : text) {
        if (c != ' ')
            result += c;
    }
    return result;
}
