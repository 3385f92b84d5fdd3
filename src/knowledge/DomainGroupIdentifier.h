#pragma once

#include "knowledge/DefaultDomainIdentifier.h"

#include <memory>
#include <string>
#include <string_view>

// A group of domains that make up one product. Unlike the other kinds, the group id
// keeps its letter case in the unique identifier.
class DomainGroupIdentifier final : public DefaultDomainIdentifier {
public:
    static DomainIdentifierPrefix prefix() { return DomainIdentifierPrefix::GroupDomain; }

    // Never none.
    static std::shared_ptr<const DomainGroupIdentifier> create(std::string_view groupId);
    static std::shared_ptr<const DomainGroupIdentifier>
    createWithRestoreData(std::string_view restoreData);

    const std::string& groupId() const { return m_groupId; }

private:
    explicit DomainGroupIdentifier(std::string_view groupId);

    std::string m_groupId;
};
