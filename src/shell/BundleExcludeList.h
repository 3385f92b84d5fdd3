#pragma once

#include <optional>
#include <string>
#include <unordered_set>

// Bundle identifiers whose applications are never reported as moved to the Trash. The list is
// created empty and nothing adds to it, so in practice it excludes nothing; it is kept so that
// the final application test has the place where such a rule belongs.
class BundleExcludeList {
public:
    enum class CheckPreferences { No, Yes };

    static BundleExcludeList& GetInstance();

    // NO for no identifier or an empty one; otherwise whether the lower-cased identifier is on
    // the list. `checkPreferences` does not change the answer.
    bool isSystemBundleID(const std::optional<std::string>& bundleId,
                          CheckPreferences checkPreferences) const;
    bool isSystemBundleID(const std::optional<std::string>& bundleId) const {
        return isSystemBundleID(bundleId, CheckPreferences::Yes);
    }

private:
    BundleExcludeList() = default;

    std::unordered_set<std::string> m_pExcludeAppsList;
};
