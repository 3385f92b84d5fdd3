#include "shell/BundleExcludeList.h"

#include "platform/Text.h"

BundleExcludeList& BundleExcludeList::GetInstance() {
    static BundleExcludeList* instance = new BundleExcludeList;
    return *instance;
}

bool BundleExcludeList::isSystemBundleID(const std::optional<std::string>& bundleId,
                                         CheckPreferences) const {
    if (!bundleId || bundleId->empty() || m_pExcludeAppsList.empty())
        return false;
    return m_pExcludeAppsList.contains(platform::Text::lowercase(*bundleId));
}
