#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/KBXMLDomainGroup.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// One entry of the document's domain groups: a suite and its member domains.
class KnowledgeRecordDomainGroup {
public:
    explicit KnowledgeRecordDomainGroup(const KBXMLDomainGroup& group);

    const std::shared_ptr<const DomainIdentifier>& domainIdentifier() const {
        return m_domainIdentifier;
    }
    const std::string& name() const { return m_name; }
    const std::optional<std::string>& path() const { return m_path; }
    const std::vector<std::shared_ptr<const DomainIdentifier>>& subdomains() const {
        return m_subdomains;
    }

private:
    std::shared_ptr<const DomainIdentifier> m_domainIdentifier;
    std::string m_name;
    std::optional<std::string> m_path;
    std::vector<std::shared_ptr<const DomainIdentifier>> m_subdomains;
};
