#include "knowledge/KBXMLScriptsContainer.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLScriptsContainer> KBXMLScriptsContainer::create(const _TBXMLElement* element) {
    if (KBXMLCommon::isElementNamed(element, "preremoval"))
        return KBXMLScriptsContainer(element, true);
    if (KBXMLCommon::isElementNamed(element, "postremoval"))
        return KBXMLScriptsContainer(element, false);
    return std::nullopt;
}

void KBXMLScriptsContainer::iterateScripts(
    const std::function<void(const KBXMLScript&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLScript>(m_element, action);
}
