#pragma once

#include "knowledge/KBXMLDomainGroup.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <optional>

// The `domainGroups` section.
class KBXMLDomainGroups {
public:
    static std::optional<KBXMLDomainGroups> create(const _TBXMLElement* element);

    void iterateDomainGroups(const std::function<void(const KBXMLDomainGroup&)>& action) const;

private:
    explicit KBXMLDomainGroups(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
