#include "knowledge/KBXMLCustomDomains.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLCustomDomains> KBXMLCustomDomains::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "CustomDomains"))
        return std::nullopt;
    return KBXMLCustomDomains(element);
}

void KBXMLCustomDomains::iterateOverCustomDomains(
    const std::function<void(const KBXMLCustomDomainDefinition&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLCustomDomainDefinition>(m_element, action);
}
