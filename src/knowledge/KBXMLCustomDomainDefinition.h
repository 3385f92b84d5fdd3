#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/TBXML.h"

#include <memory>
#include <optional>
#include <string>

// One custom domain definition, a `CustomDomainDefinition` element: the domain named by
// `id` and its rule as raw JSON text.
class KBXMLCustomDomainDefinition {
public:
    // None unless `id` gives a domain identifier.
    static std::optional<KBXMLCustomDomainDefinition> create(const _TBXMLElement* element);

    const std::shared_ptr<const DomainIdentifier>& domainId() const { return m_domainId; }
    // The element's text; empty when it has none.
    const std::string& rawJSON() const { return m_rawJSON; }

private:
    KBXMLCustomDomainDefinition(std::shared_ptr<const DomainIdentifier> domainId,
                                std::string rawJSON)
        : m_domainId(std::move(domainId)), m_rawJSON(std::move(rawJSON)) {}

    std::shared_ptr<const DomainIdentifier> m_domainId;
    std::string m_rawJSON;
};
