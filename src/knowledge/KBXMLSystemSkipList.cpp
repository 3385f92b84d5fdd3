#include "knowledge/KBXMLSystemSkipList.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLSystemSkipList> KBXMLSystemSkipList::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "skipList"))
        return std::nullopt;
    std::vector<KBXMLSystemSkipListItem> items;
    KBXMLCommon::iterateChildren<KBXMLSystemSkipListItem>(
        element, [&items](const KBXMLSystemSkipListItem& item) { items.push_back(item); });
    return KBXMLSystemSkipList(std::move(items));
}
