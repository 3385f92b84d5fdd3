#include "knowledge/KBXMLDomainSeparator.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLDomainSeparator> KBXMLDomainSeparator::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "d"))
        return std::nullopt;
    return KBXMLDomainSeparator(element);
}

std::shared_ptr<const DomainIdentifier> KBXMLDomainSeparator::domainIdentifier() const {
    return KBXMLCommon::getDomainIdentifierFromElement(m_element, "v", "vId");
}

void KBXMLDomainSeparator::iterateTypedSeparators(
    const std::function<void(const KBXMLTypedSeparator&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLTypedSeparator>(m_element, action);
}
