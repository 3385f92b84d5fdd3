#include "knowledge/KBXMLCustomDomainDefinition.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLCustomDomainDefinition>
KBXMLCustomDomainDefinition::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "CustomDomainDefinition"))
        return std::nullopt;
    auto domainId = KBXMLCommon::getDomainIdentifierFromElement(element, "id");
    if (!domainId)
        return std::nullopt;
    return KBXMLCustomDomainDefinition(std::move(domainId), TBXML::textForElement(element));
}
