#include "knowledge/KBXMLExtensionsSkipListItem.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLExtensionsSkipListItem>
KBXMLExtensionsSkipListItem::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "item"))
        return std::nullopt;
    auto group = TBXML::valueOfAttributeNamed("group", element);
    if (!group)
        return std::nullopt;
    KBXMLExtensionsSkipListItem item;
    item.m_groupID = std::move(*group);
    item.m_name = TBXML::valueOfAttributeNamed("name", element);
    item.m_path = TBXML::valueOfAttributeNamed("path", element);
    item.m_bundleID = TBXML::valueOfAttributeNamed("bundleID", element);
    item.m_mainAppPath = TBXML::valueOfAttributeNamed("mainAppPath", element);
    item.m_browserExtensionID = TBXML::valueOfAttributeNamed("browserExtID", element);
    return item;
}
