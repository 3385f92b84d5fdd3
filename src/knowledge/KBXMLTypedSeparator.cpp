#include "knowledge/KBXMLTypedSeparator.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLTypedSeparator> KBXMLTypedSeparator::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "s"))
        return std::nullopt;
    return KBXMLTypedSeparator(element);
}

std::optional<std::string> KBXMLTypedSeparator::separatorType() const {
    return TBXML::valueOfAttributeNamed("type", m_element);
}

void KBXMLTypedSeparator::iterateSeparatorWords(
    const std::function<void(const KBXMLSeparatorWord&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLSeparatorWord>(m_element, action);
}
