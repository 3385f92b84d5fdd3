#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/KBXMLTypedSeparator.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <memory>
#include <optional>

// The separators of one domain, a `d` element of `separators`. Without a usable `v` or
// `vId` its words are excluded words, which point to no domain.
class KBXMLDomainSeparator {
public:
    static std::optional<KBXMLDomainSeparator> create(const _TBXMLElement* element);

    std::shared_ptr<const DomainIdentifier> domainIdentifier() const;
    void
    iterateTypedSeparators(const std::function<void(const KBXMLTypedSeparator&)>& action) const;

private:
    explicit KBXMLDomainSeparator(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
