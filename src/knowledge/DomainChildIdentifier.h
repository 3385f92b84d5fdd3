#pragma once

#include "knowledge/DefaultDomainIdentifier.h"
#include "knowledge/DomainGroupIdentifier.h"

#include <memory>
#include <string_view>

// An application inside a domain group: its own domain together with the group. The
// unique identifier is "ch:" + the own domain's unique identifier + "<<<" + the group's.
class DomainChildIdentifier final : public DefaultDomainIdentifier {
public:
    static constexpr std::string_view kSeparator = "<<<";

    static DomainIdentifierPrefix prefix() { return DomainIdentifierPrefix::ChildDomain; }

    // None when either part is none.
    static std::shared_ptr<const DomainChildIdentifier>
    create(std::shared_ptr<const DomainIdentifier> independentDomainIdentifier,
           std::shared_ptr<const DomainGroupIdentifier> parentDomainIdentifier);
    // Both parts are restored through the shared builder; the data must hold exactly one
    // separator and its second part must name a group.
    static std::shared_ptr<const DomainChildIdentifier>
    createWithRestoreData(std::string_view restoreData);

    const std::shared_ptr<const DomainIdentifier>& independentDomainIdentifier() const {
        return m_independentDomainIdentifier;
    }
    const std::shared_ptr<const DomainGroupIdentifier>& parentDomainIdentifier() const {
        return m_parentDomainIdentifier;
    }

private:
    DomainChildIdentifier(std::shared_ptr<const DomainIdentifier> independentDomainIdentifier,
                          std::shared_ptr<const DomainGroupIdentifier> parentDomainIdentifier);

    std::shared_ptr<const DomainIdentifier> m_independentDomainIdentifier;
    std::shared_ptr<const DomainGroupIdentifier> m_parentDomainIdentifier;
};
