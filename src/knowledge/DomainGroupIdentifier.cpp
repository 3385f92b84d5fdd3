#include "knowledge/DomainGroupIdentifier.h"

DomainGroupIdentifier::DomainGroupIdentifier(std::string_view groupId)
    : DefaultDomainIdentifier(prefix(), groupId), m_groupId(groupId) {}

std::shared_ptr<const DomainGroupIdentifier>
DomainGroupIdentifier::create(std::string_view groupId) {
    return std::shared_ptr<const DomainGroupIdentifier>(new DomainGroupIdentifier(groupId));
}

std::shared_ptr<const DomainGroupIdentifier>
DomainGroupIdentifier::createWithRestoreData(std::string_view restoreData) {
    return create(restoreData);
}
