#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/KBXMLSubdomain.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

// A group of domains that make up one product, a `g` element of `domainGroups`.
class KBXMLDomainGroup {
public:
    // None unless `vId` gives a domain identifier and `name` is present.
    static std::optional<KBXMLDomainGroup> create(const _TBXMLElement* element);

    const std::shared_ptr<const DomainIdentifier>& domainId() const { return m_domainId; }
    const std::string& name() const { return m_name; }
    const std::optional<std::string>& path() const { return m_path; }

    // The members listed in the first `subdomains` child; nothing without one.
    void iterateOverSubdomains(const std::function<void(const KBXMLSubdomain&)>& action) const;

private:
    KBXMLDomainGroup(const _TBXMLElement* element, std::shared_ptr<const DomainIdentifier> domainId,
                     std::string name, std::optional<std::string> path);

    const _TBXMLElement* m_element{nullptr};
    std::shared_ptr<const DomainIdentifier> m_domainId;
    std::string m_name;
    std::optional<std::string> m_path;
};
