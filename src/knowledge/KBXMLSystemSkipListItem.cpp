#include "knowledge/KBXMLSystemSkipListItem.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLSystemSkipListItem>
KBXMLSystemSkipListItem::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "f"))
        return std::nullopt;
    return KBXMLSystemSkipListItem(TBXML::textForElement(element));
}
