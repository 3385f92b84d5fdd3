#include "knowledge/KBXMLRules.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLRules> KBXMLRules::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "rules"))
        return std::nullopt;
    return KBXMLRules(element);
}

void KBXMLRules::iterateRules(const std::function<void(const KBXMLRule&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLRule>(m_element, action);
}
