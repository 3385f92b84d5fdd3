#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Where the knowledge base may send the helper. Leftovers of an application live in
// the places LeftoverPlaces lists (the user's Library, the base-directory folders,
// ~/.var/app), so a record the helper may offer names something strictly inside one of
// them, and not one of the folders every application shares, and a rule walks a folder
// there. Everything else
// (system folders, paths that climb out with "..", rules over the whole home) is
// refused with a reason: by kbtool when it packs a document, and by the helper, which
// ignores it, when it loads one.
//
// Records of "system" file groups only protect the paths they name and may name any
// absolute path.
class KnowledgeBasePathPolicy {
public:
    // Why a record's path, as written in a document to be shipped, cannot be
    // offered; none when it is fine. Shipped paths start with a root as written
    // ("~/Library/", "~/.config/", ...): an absolute path could only name one machine's
    // folders.
    static std::optional<std::string> writtenRecordRefusal(std::string_view written);
    // The same for a path the helper loaded, "~" already expanded to `home`.
    static std::optional<std::string> recordRefusal(std::string_view path, std::string_view home);

    // Why a rule over `written` (as in the document) with depth `deep` (-1: all) may
    // not run; none when it may.
    static std::optional<std::string> writtenRuleRefusal(std::string_view written,
                                                         std::int64_t deep);
    // The same for the rule's folder once "~" is expanded to `home`.
    static std::optional<std::string> ruleRefusal(std::string_view folder, std::int64_t deep,
                                                  std::string_view home);

    // Why a system record's path cannot be read; none when it is fine.
    static std::optional<std::string> systemRecordRefusal(std::string_view written);

    // Whether a folder between the root `path` lies in and `path` (and `path`
    // itself when `final` says so) is a symbolic link on disk, so that the path leads
    // somewhere else. Asks the file system; `path` must have passed recordRefusal.
    enum class Final { excluded, included };
    static bool passesThroughLink(std::string_view path, std::string_view home, Final final);

    // Why `rest`, a path relative to some folder, is not a plain path below it
    // (empty, "." or ".." components, a NUL byte); none when it is.
    static std::optional<std::string> componentRefusal(std::string_view rest);
};
