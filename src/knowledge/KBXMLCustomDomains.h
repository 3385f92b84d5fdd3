#pragma once

#include "knowledge/KBXMLCustomDomainDefinition.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <optional>

// The `CustomDomains` section.
class KBXMLCustomDomains {
public:
    static std::optional<KBXMLCustomDomains> create(const _TBXMLElement* element);

    void iterateOverCustomDomains(
        const std::function<void(const KBXMLCustomDomainDefinition&)>& action) const;

private:
    explicit KBXMLCustomDomains(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
