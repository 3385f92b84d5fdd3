#include "knowledge/KBXMLFile.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLFile> KBXMLFile::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "f"))
        return std::nullopt;
    return KBXMLFile(element);
}

std::optional<std::string> KBXMLFile::path() const {
    return KBXMLCommon::nonEmptyText(m_element);
}

std::string_view KBXMLFile::pathView() const {
    return TBXML::textViewForElement(m_element);
}
