#include "knowledge/KBXMLDomain.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLDomain> KBXMLDomain::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "d"))
        return std::nullopt;
    return KBXMLDomain(element);
}

std::shared_ptr<const DomainIdentifier> KBXMLDomain::domain() const {
    return KBXMLCommon::getDomainIdentifierFromElement(m_element, "v", "vId");
}

std::optional<bool> KBXMLDomain::isSystem() const {
    return KBXMLCommon::threeStateFlag(TBXML::valueOfAttributeNamed("system", m_element));
}

std::optional<bool> KBXMLDomain::isSeparateApp() const {
    return KBXMLCommon::threeStateFlag(TBXML::valueOfAttributeNamed("separateApp", m_element));
}

std::optional<bool> KBXMLDomain::isCommonDomain() const {
    return KBXMLCommon::yesFlag(TBXML::valueOfAttributeNamed("domain", m_element));
}

std::shared_ptr<const DomainIdentifier> KBXMLDomain::parentDomain() const {
    return KBXMLCommon::getDomainIdentifierFromElement(m_element, "parentDomain", "parentDomainId");
}

void KBXMLDomain::iterateGroups(const std::function<void(const KBXMLFileGroup&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLFileGroup>(m_element, action);
}
