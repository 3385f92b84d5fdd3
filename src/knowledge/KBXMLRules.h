#pragma once

#include "knowledge/KBXMLRule.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <optional>

// The `rules` section: the top-level search rules.
class KBXMLRules {
public:
    static std::optional<KBXMLRules> create(const _TBXMLElement* element);

    void iterateRules(const std::function<void(const KBXMLRule&)>& action) const;

private:
    explicit KBXMLRules(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
