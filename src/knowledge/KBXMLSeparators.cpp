#include "knowledge/KBXMLSeparators.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLSeparators> KBXMLSeparators::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "separators"))
        return std::nullopt;
    return KBXMLSeparators(element);
}

void KBXMLSeparators::iterateDomainSeparators(
    const std::function<void(const KBXMLDomainSeparator&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLDomainSeparator>(m_element, action);
}
