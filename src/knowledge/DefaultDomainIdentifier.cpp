#include "knowledge/DefaultDomainIdentifier.h"

DefaultDomainIdentifier::DefaultDomainIdentifier(DomainIdentifierPrefix prefix,
                                                 std::string_view data) {
    std::string_view head = rawValue(prefix);
    m_uniqueIdentifier.reserve(head.size() + data.size());
    m_uniqueIdentifier.append(head).append(data);
}
