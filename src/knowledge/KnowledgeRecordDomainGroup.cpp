#include "knowledge/KnowledgeRecordDomainGroup.h"

#include "knowledge/KBXMLSubdomain.h"

KnowledgeRecordDomainGroup::KnowledgeRecordDomainGroup(const KBXMLDomainGroup& group)
    : m_domainIdentifier(group.domainId()), m_name(group.name()), m_path(group.path()) {
    group.iterateOverSubdomains(
        [&](const KBXMLSubdomain& subdomain) { m_subdomains.push_back(subdomain.domainId()); });
}
