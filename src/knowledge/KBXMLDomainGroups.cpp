#include "knowledge/KBXMLDomainGroups.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLDomainGroups> KBXMLDomainGroups::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "domainGroups"))
        return std::nullopt;
    return KBXMLDomainGroups(element);
}

void KBXMLDomainGroups::iterateDomainGroups(
    const std::function<void(const KBXMLDomainGroup&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLDomainGroup>(m_element, action);
}
