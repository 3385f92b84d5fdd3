#pragma once

#include "knowledge/KBXMLDomainSeparator.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <optional>

// The `separators` section.
class KBXMLSeparators {
public:
    static std::optional<KBXMLSeparators> create(const _TBXMLElement* element);

    void
    iterateDomainSeparators(const std::function<void(const KBXMLDomainSeparator&)>& action) const;

private:
    explicit KBXMLSeparators(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
