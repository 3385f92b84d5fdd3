#pragma once

#include "knowledge/DomainIdentifier.h"

#include <memory>
#include <string>

// One separator word of one domain; a record without a domain holds an excluded word.
class KBSeparatorRecord {
public:
    KBSeparatorRecord(std::shared_ptr<const DomainIdentifier> domainIdentifier,
                      std::string separatorData)
        : m_domainIdentifier(std::move(domainIdentifier)),
          m_separatorData(std::move(separatorData)) {}

    const std::shared_ptr<const DomainIdentifier>& domainIdentifier() const {
        return m_domainIdentifier;
    }
    const std::string& separatorData() const { return m_separatorData; }

private:
    const std::shared_ptr<const DomainIdentifier> m_domainIdentifier;
    const std::string m_separatorData;
};
