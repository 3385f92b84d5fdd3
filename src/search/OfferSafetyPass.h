#pragma once

#include "search/InstalledApplications.h"
#include "search/OfferReason.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The last word on every item offered for a removed application, whichever search
// found it. The searches match names by identifier and executable name, by part of a
// name and by prefix; this pass turns away what such matching would wrongly offer:
//
// - a path that is not a plain absolute path ("..", NUL bytes), the home folder, a
//   folder above it or one of the shared folders the standard places live in;
// - anything inside another installed application, or holding one;
// - a match on an identifier or name that cannot name files (empty, ".", "..",
//   holding "/", control characters or bytes that are not UTF-8);
// - a match by part of a name or by prefix on an identifier of fewer than two
//   components ("com" would match every "com.*" file);
// - a prefix or part of a name not followed (and, for a part, not preceded) by a
//   boundary: the end of the name, ".", "_" or a space, and after a name also "-"
//   ("com.example.foo" takes neither "com.example.foobar.plist" nor
//   "com.example.foo-helper", which may be another application's identifier);
// - a naming convention ("com.example.fooHelper", "Foo 2") on a one-part identifier,
//   or whose name does not hold what it matched;
// - an item that belongs more specifically to another installed application: its
//   name holds the identifier, or starts with a name, of an installed application
//   whose identifier or name is longer than the removed one's and holds it, or it is
//   named exactly like another installed application.
//
// It also gives each accepted path its one spelling, so that the same item found
// twice is offered once. Nesting of accepted paths is the caller's business, with
// isInside(). Stateless after construction; any thread.
class OfferSafetyPass {
public:
    struct Candidate {
        std::string path;
        OfferReason reason;
    };
    struct Verdict {
        // The path to offer, in its one spelling; empty when the item is refused.
        std::string path;
        // Why it was refused.
        std::string why;
        bool accepted() const { return !path.empty(); }
    };

    // The removed application: its identifier, the names it goes by (executable,
    // bundle name, display name, folder name), its bundle's path; the home folder and
    // what is installed (none: nothing is known to be installed).
    OfferSafetyPass(std::optional<std::string> bundleId, std::vector<std::string> names,
                    std::string bundlePath, std::string home,
                    std::shared_ptr<const InstalledApplications> installed);

    Verdict check(const Candidate& candidate) const;

    // `path` without doubled or trailing separators and "." components; none for a
    // relative path, one holding ".." or a NUL byte.
    static std::optional<std::string> normalizedPath(std::string_view path);
    // Whether `path` lies strictly inside `folder` (both normalised).
    static bool isInside(std::string_view path, std::string_view folder);
    // Whether an identifier or name can stand for files of the application.
    static bool isUsableName(std::string_view name);
    // Whether the identifier has two or more non-empty dot-separated components.
    static bool isSpecificIdentifier(std::string_view identifier);
    static bool isBoundary(char c);
    // After an identifier "-" is no boundary: it may continue another identifier.
    static bool isBoundaryAfterIdentifier(char c);
    // "com", "org", "de": a one-part identifier that begins other identifiers.
    static bool isTopLevelDomainLike(std::string_view identifier);
    // Whether `name` holds `part` (ignoring case) with a boundary, or the name's
    // start or end, on either side.
    static bool holdsBounded(std::string_view name, std::string_view part, bool identifier = false);

private:
    std::string refusalOfPath(const std::string& path) const;
    std::string refusalOfMatch(const std::string& name, const OfferReason& reason) const;
    std::string refusalForInstalled(const std::string& name) const;

    std::optional<std::string> m_bundleId;
    std::vector<std::string> m_names;
    std::string m_bundlePath;
    std::string m_home;
    std::vector<std::string> m_protectedFolders;
    std::shared_ptr<const InstalledApplications> m_installed;
};
