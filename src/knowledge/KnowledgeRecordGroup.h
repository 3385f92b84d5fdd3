#pragma once

#include "knowledge/DomainIdentifier.h"

#include <cstdint>
#include <memory>
#include <optional>

// What the knowledge base says about one domain. The two tri-state values are 0 when
// the document does not say, 1 for yes and 2 for no.
class KnowledgeRecordGroup {
public:
    static std::shared_ptr<KnowledgeRecordGroup>
    GroupWithDomainIdentifier(std::shared_ptr<const DomainIdentifier> domainIdentifier);
    static std::shared_ptr<KnowledgeRecordGroup>
    create(std::shared_ptr<const DomainIdentifier> domainIdentifier, std::optional<bool> isSystem,
           std::optional<bool> isSeparateApp, std::optional<bool> isCommonDomain,
           std::shared_ptr<const DomainIdentifier> parentDomainIdentifier);

    void markAsSystem() { m_systemType = 1; }
    bool isSystemBundleIfParentBundleSystem(bool parentIsSystem) const;
    bool isSystemBundleIfParentUnknown() const { return isSystemBundleIfParentBundleSystem(false); }

    std::int32_t systemType() const { return m_systemType; }
    std::int32_t isSeparateApp() const { return m_isSeparateApp; }
    bool isCommonDomain() const { return m_isCommonDomain; }
    const std::shared_ptr<const DomainIdentifier>& domainIdentifier() const {
        return m_domainIdentifier;
    }
    const std::shared_ptr<const DomainIdentifier>& parentDomainIdentifier() const {
        return m_parentDomainIdentifier;
    }

private:
    KnowledgeRecordGroup() = default;

    std::int32_t m_systemType{0};
    std::int32_t m_isSeparateApp{0};
    bool m_isCommonDomain{false};
    std::shared_ptr<const DomainIdentifier> m_domainIdentifier;
    std::shared_ptr<const DomainIdentifier> m_parentDomainIdentifier;
};
