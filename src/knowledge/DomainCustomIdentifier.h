#pragma once

#include "knowledge/DefaultDomainIdentifier.h"

#include <memory>
#include <string>
#include <string_view>

// The domain of an application without bundle identifier, named by an app id that a
// custom domain definition of the knowledge base gives, or by a random one. The app id
// is stored lower-cased.
class DomainCustomIdentifier final : public DefaultDomainIdentifier {
public:
    static DomainIdentifierPrefix prefix() { return DomainIdentifierPrefix::CustomDomain; }

    // Never none: every app id, even an empty one, names a custom domain.
    static std::shared_ptr<const DomainCustomIdentifier> create(std::string_view appId);
    static std::shared_ptr<const DomainCustomIdentifier>
    createWithRestoreData(std::string_view restoreData);

    const std::string& appId() const { return m_appId; }

private:
    explicit DomainCustomIdentifier(std::string appId);

    std::string m_appId;
};
