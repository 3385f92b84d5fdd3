#include "knowledge/KBXMLSubdomain.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLSubdomain> KBXMLSubdomain::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "d"))
        return std::nullopt;
    auto domainId = KBXMLCommon::getDomainIdentifierFromElement(element, "v", "vId");
    if (!domainId)
        return std::nullopt;
    return KBXMLSubdomain(std::move(domainId));
}
