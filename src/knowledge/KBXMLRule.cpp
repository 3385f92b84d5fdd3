#include "knowledge/KBXMLRule.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLRule> KBXMLRule::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "rule"))
        return std::nullopt;
    return KBXMLRule(element);
}

std::optional<std::string> KBXMLRule::path() const {
    return TBXML::valueOfAttributeNamed("path", m_element);
}

int KBXMLRule::deep() const {
    return KBXMLCommon::integerValue(TBXML::valueOfAttributeNamed("deep", m_element));
}

int KBXMLRule::fdeep() const {
    return KBXMLCommon::integerValue(TBXML::valueOfAttributeNamed("fdeep", m_element));
}

std::optional<std::string> KBXMLRule::fname() const {
    return TBXML::valueOfAttributeNamed("fname", m_element);
}

void KBXMLRule::iterateSubItemsWithSubRulesAction(
    const std::function<void(const KBXMLRule&)>& subRuleAction,
    const std::function<void(const KBXMLRuleFilter&)>& filterAction) const {
    for (const _TBXMLElement* child = m_element->firstChild; child; child = child->nextSibling) {
        if (auto filter = KBXMLRuleFilter::create(child)) {
            if (filterAction)
                filterAction(*filter);
        } else if (auto subRule = KBXMLRule::create(child)) {
            if (subRuleAction)
                subRuleAction(*subRule);
        }
    }
}
