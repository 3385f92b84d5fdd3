#pragma once

#include "search/OfferReason.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Bundle;
}
class FileItem;

// The names a removed application's leftovers go by, and the test whether an entry
// that a search rule found carries one of them.
//
// An entry belongs to the application when
// - its name holds the bundle identifier as whole parts: a dot or the name's start
//   before it, a dot, "_", a space or the name's end after it ("com.example.foo",
//   "com.example.foo.Helper.plist", "ABCDE12345.com.example.foo",
//   "com.example.foo_agent.plist", never "com.example.foobar" nor
//   "com.example.foo-helper", which may be another application's identifier; a
//   one-part identifier only at the name's start, alone or before a dot),
// - it holds the identifier with a component word glued on ("com.example.fooHelper",
//   "com.example.fooLauncher.plist"; the words are componentWords()), or the vendor
//   prefix and one of the application's names as a whole part
//   ("com.example.foobar.engine" for "Foo Bar" of "com.example.foobar-mac"),
// - it lies directly in the folder a rule walks and is called like the application:
//   its executable, CFBundleName or CFBundleDisplayName, or a team container
//   "<TEAMID>.<name>", or such a name with a component word or a version glued on
//   ("Foo Helper", "FooAgent", "Foo 2"), or with ".plist" or ".log" after it,
// - or it lies in a vendor folder named after the identifier's second part
//   ("Google" for "com.google.Chrome") and is called like the application or like the
//   identifier's last part.
// Names compare ignoring case, under Unicode case folding, as on a case-insensitive
// file system. Without an identifier nothing belongs.
class ApplicationNames {
public:
    ApplicationNames(std::optional<std::string> bundleId, std::optional<std::string> executable,
                     std::vector<std::string> furtherNames = {});
    // Identifier, executable name (CFBundleExecutable, else the folder's name) and
    // the bundle's CFBundleName and CFBundleDisplayName.
    static ApplicationNames forBundle(const platform::Bundle& bundle);
    // CFBundleExecutable when it is a non-empty string, otherwise the bundle folder's
    // name without its extension.
    static std::string executableNameForBundle(const platform::Bundle& bundle);

    // How an entry's name ties it to the application.
    struct Match {
        OfferReason::Match match{OfferReason::Match::None};
        OfferReason::Mode mode{OfferReason::Mode::Exact};
        std::string matched;    // the identifier or name found
        std::string convention; // with mode Convention: which one
        void applyTo(OfferReason& reason) const;
    };

    // The test for an entry of a rule's walk; its place comes from its parents.
    std::optional<Match> matchEntry(const FileItem& item) const;
    bool matchesEntry(const FileItem& item) const { return matchEntry(item).has_value(); }
    // The test for a name directly in a walked folder.
    std::optional<Match> matchTopLevelName(std::string_view name) const;
    bool matchesTopLevelName(std::string_view name) const {
        return matchTopLevelName(name).has_value();
    }
    // Names anywhere in a walk: the identifier, alone or with a component word, and
    // the vendor prefix with a name.
    std::optional<Match> matchIdentifierForms(std::string_view name) const;
    // Names directly in a walked folder: one of the application's names, alone or with
    // a component word, a version or an extension.
    std::optional<Match> matchNameForms(std::string_view name) const;

    // Words that name an application's parts and never an application on its own.
    static const std::vector<std::string_view>& componentWords();
    // A name too common to stand for one application in the conventions (a component
    // word, "Settings", "Electron", ...).
    static bool isCommonWord(std::string_view name);
    // `text` with its spaces taken out ("Foo Helper" -> "FooHelper").
    static std::string withoutSpaces(std::string_view text);
    // The executable, CFBundleName and CFBundleDisplayName, in this order.
    const std::vector<std::string>& names() const { return m_names; }

    bool holdsIdentifier(std::string_view name) const;
    bool isApplicationName(std::string_view name) const;
    std::string_view vendor() const { return m_vendor; }

private:
    bool isTeamContainerName(std::string_view name) const;
    bool isProductInVendorFolder(std::string_view name, std::string_view folder) const;
    bool editionMarkRefuses(std::string_view name) const;
    std::optional<Match> nameMatch(const std::string& own, OfferReason::Mode mode,
                                   std::string convention = {}) const;

    std::optional<std::string> m_bundleId;
    std::vector<std::string> m_names; // executable first, then further names
    std::string m_executable;
    std::string m_vendor;            // empty when the identifier has fewer than three parts
    std::string m_identifierProduct; // the identifier's last part, with m_vendor
    std::string m_vendorPrefix;      // "com.vendor" of an identifier of three or more parts
    std::vector<std::string> m_conventionNames; // the names that are no common words
    // Each such name with "com.vendor." before it.
    std::vector<std::pair<std::string, std::string>> m_vendorPatterns;
};
