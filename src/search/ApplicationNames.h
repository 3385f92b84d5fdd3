#pragma once

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
// - its name holds the bundle identifier as whole dot-separated parts
//   ("com.example.foo", "com.example.foo.Helper.plist", "ABCDE12345.com.example.foo",
//   never "com.example.foobar"),
// - it lies directly in the folder a rule walks and is called like the application:
//   its executable, CFBundleName or CFBundleDisplayName, or a team container
//   "<TEAMID>.<name>",
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

    // The test for an entry of a rule's walk; its place comes from its parents.
    bool matchesEntry(const FileItem& item) const;
    // The test for a name directly in a walked folder.
    bool matchesTopLevelName(std::string_view name) const;

    bool holdsIdentifier(std::string_view name) const;
    bool isApplicationName(std::string_view name) const;
    std::string_view vendor() const { return m_vendor; }

private:
    bool isTeamContainerName(std::string_view name) const;
    bool isProductInVendorFolder(std::string_view name, std::string_view folder) const;

    std::optional<std::string> m_bundleId;
    std::vector<std::string> m_names; // executable first, then further names
    std::string m_vendor;             // empty when the identifier has fewer than three parts
    std::string m_identifierProduct;  // the identifier's last part, with m_vendor
};
