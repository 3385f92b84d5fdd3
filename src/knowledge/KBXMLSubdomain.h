#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/TBXML.h"

#include <memory>
#include <optional>

// A member of a domain group, a `d` element inside `subdomains`.
class KBXMLSubdomain {
public:
    // None unless `v` or `vId` gives a domain identifier.
    static std::optional<KBXMLSubdomain> create(const _TBXMLElement* element);

    const std::shared_ptr<const DomainIdentifier>& domainId() const { return m_domainId; }

private:
    explicit KBXMLSubdomain(std::shared_ptr<const DomainIdentifier> domainId)
        : m_domainId(std::move(domainId)) {}

    std::shared_ptr<const DomainIdentifier> m_domainId;
};
