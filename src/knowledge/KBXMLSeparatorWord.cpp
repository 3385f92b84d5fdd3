#include "knowledge/KBXMLSeparatorWord.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLSeparatorWord> KBXMLSeparatorWord::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "v"))
        return std::nullopt;
    return KBXMLSeparatorWord(element);
}

std::string KBXMLSeparatorWord::word() const {
    return TBXML::textForElement(m_element);
}
