#include "knowledge/KBXMLDomains.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLDomains> KBXMLDomains::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "domains"))
        return std::nullopt;
    return KBXMLDomains(element);
}

void KBXMLDomains::iterateDomains(const std::function<void(const KBXMLDomain&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLDomain>(m_element, action);
}
