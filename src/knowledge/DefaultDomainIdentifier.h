#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/DomainIdentifierPrefix.h"

#include <string>
#include <string_view>

// The common base of the identifier kinds: the unique identifier is the kind's prefix
// followed by the kind's data.
class DefaultDomainIdentifier : public DomainIdentifier {
public:
    const std::string& uniqueIdentifier() const override { return m_uniqueIdentifier; }

protected:
    DefaultDomainIdentifier(DomainIdentifierPrefix prefix, std::string_view data);

private:
    std::string m_uniqueIdentifier;
};
