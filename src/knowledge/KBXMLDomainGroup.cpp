#include "knowledge/KBXMLDomainGroup.h"

#include "knowledge/KBXMLCommon.h"

KBXMLDomainGroup::KBXMLDomainGroup(const _TBXMLElement* element,
                                   std::shared_ptr<const DomainIdentifier> domainId,
                                   std::string name, std::optional<std::string> path)
    : m_element(element), m_domainId(std::move(domainId)), m_name(std::move(name)),
      m_path(std::move(path)) {}

std::optional<KBXMLDomainGroup> KBXMLDomainGroup::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "g"))
        return std::nullopt;
    auto domainId = KBXMLCommon::getDomainIdentifierFromElement(element, "vId");
    auto name = TBXML::valueOfAttributeNamed("name", element);
    if (!domainId || !name)
        return std::nullopt;
    return KBXMLDomainGroup(element, std::move(domainId), std::move(*name),
                            TBXML::valueOfAttributeNamed("path", element));
}

void KBXMLDomainGroup::iterateOverSubdomains(
    const std::function<void(const KBXMLSubdomain&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLSubdomain>(TBXML::childElementNamed("subdomains", m_element),
                                                 action);
}
