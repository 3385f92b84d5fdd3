#pragma once

#include "knowledge/KBXMLDomain.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <optional>

// The `domains` section.
class KBXMLDomains {
public:
    static std::optional<KBXMLDomains> create(const _TBXMLElement* element);

    void iterateDomains(const std::function<void(const KBXMLDomain&)>& action) const;

    // The number of elements two levels below the domains: an upper bound of the files
    // they list, found without reading any of them.
    std::size_t countFileElements() const;
    // The same for one element of the section.
    static std::size_t countFileElementsOf(const _TBXMLElement* domain);
    // The number of elements directly below the domains: an upper bound of the domains.
    std::size_t countDomainElements() const;

private:
    explicit KBXMLDomains(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
