#include "knowledge/KBExtensionSkipItem.h"

#include "shell/PathsGenerator.h"

KBExtensionSkipItem::KBExtensionSkipItem(const KBXMLExtensionsSkipListItem& item)
    : m_groupType(KBExtGroupTypeWrapper::groupTypeForGroupID(item.groupID())),
      m_kbextName(item.name()), m_kbextBundleID(item.bundleID()),
      m_kbextMainAppPath(item.mainAppPath()), m_kbextBrowserExtensionID(item.browserExtensionID()) {
    if (item.path())
        m_kbextPath = PathsGenerator::GetInstance().expandTildeInPath(*item.path());
}

KBExtensionSkipItem::KBExtensionSkipItem(ExtGroupType groupType, std::optional<std::string> name,
                                         std::optional<std::string> bundleID,
                                         std::optional<std::string> path,
                                         std::optional<std::string> mainAppPath,
                                         std::optional<std::string> browserExtensionID)
    : m_groupType(groupType), m_kbextName(std::move(name)), m_kbextBundleID(std::move(bundleID)),
      m_kbextPath(std::move(path)), m_kbextMainAppPath(std::move(mainAppPath)),
      m_kbextBrowserExtensionID(std::move(browserExtensionID)) {}

const std::optional<std::string>&
KBExtensionSkipItem::valueForProperty(const KBExtensionsSkipListItemParameters& parameters,
                                      Property property) {
    switch (property) {
    case Property::name:
        return parameters.kbextName();
    case Property::bundleID:
        return parameters.kbextBundleID();
    case Property::path:
        return parameters.kbextPath();
    case Property::mainAppPath:
        return parameters.kbextMainAppPath();
    case Property::browserExtensionID:
        break;
    }
    return parameters.kbextBrowserExtensionID();
}
