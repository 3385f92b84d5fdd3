#pragma once

#include "knowledge/KBXMLRuleFilter.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <optional>
#include <string>

// One search rule, a `rule` element; rules nest.
class KBXMLRule {
public:
    static std::optional<KBXMLRule> create(const _TBXMLElement* element);

    // A leading "~" stands for the home folder; it is left for the reader to expand.
    std::optional<std::string> path() const;
    // -1 when absent.
    int deep() const;
    int fdeep() const;
    std::optional<std::string> fname() const;

    // Walks the children in document order: `subRuleAction` for each `rule`,
    // `filterAction` for each `f`; other children are passed over.
    void iterateSubItemsWithSubRulesAction(
        const std::function<void(const KBXMLRule&)>& subRuleAction,
        const std::function<void(const KBXMLRuleFilter&)>& filterAction) const;

private:
    explicit KBXMLRule(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
