#include "knowledge/KBXMLExtensionsSkipList.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLExtensionsSkipList>
KBXMLExtensionsSkipList::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "extensionsSkipList"))
        return std::nullopt;
    std::vector<KBXMLExtensionsSkipListItem> items;
    KBXMLCommon::iterateChildren<KBXMLExtensionsSkipListItem>(
        element, [&items](const KBXMLExtensionsSkipListItem& item) { items.push_back(item); });
    return KBXMLExtensionsSkipList(std::move(items));
}
