#include "knowledge/KBXMLCustomScripts.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLCustomScripts> KBXMLCustomScripts::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "customScripts"))
        return std::nullopt;
    return KBXMLCustomScripts(element);
}

void KBXMLCustomScripts::iterateBundleScripts(
    const std::function<void(const KBXMLBundleScripts&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLBundleScripts>(m_element, action);
}
