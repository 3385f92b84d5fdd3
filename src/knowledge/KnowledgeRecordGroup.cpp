#include "knowledge/KnowledgeRecordGroup.h"

namespace {

std::int32_t triState(std::optional<bool> value) {
    if (!value)
        return 0;
    return *value ? 1 : 2;
}

} // namespace

std::shared_ptr<KnowledgeRecordGroup> KnowledgeRecordGroup::GroupWithDomainIdentifier(
    std::shared_ptr<const DomainIdentifier> domainIdentifier) {
    return create(std::move(domainIdentifier), std::nullopt, std::nullopt, std::nullopt, nullptr);
}

std::shared_ptr<KnowledgeRecordGroup>
KnowledgeRecordGroup::create(std::shared_ptr<const DomainIdentifier> domainIdentifier,
                             std::optional<bool> isSystem, std::optional<bool> isSeparateApp,
                             std::optional<bool> isCommonDomain,
                             std::shared_ptr<const DomainIdentifier> parentDomainIdentifier) {
    std::shared_ptr<KnowledgeRecordGroup> group(new KnowledgeRecordGroup());
    group->m_domainIdentifier = std::move(domainIdentifier);
    group->m_parentDomainIdentifier = std::move(parentDomainIdentifier);
    group->m_systemType = triState(isSystem);
    group->m_isSeparateApp = triState(isSeparateApp);
    group->m_isCommonDomain = isCommonDomain.value_or(false);
    return group;
}

bool KnowledgeRecordGroup::isSystemBundleIfParentBundleSystem(bool parentIsSystem) const {
    if (m_systemType == 1)
        return true;
    if (m_systemType == 2)
        return false;
    return parentIsSystem;
}
