#include "knowledge/KBSeparator.h"

void KBSeparator::addRecord(const std::shared_ptr<const KBSeparatorRecord>& record) {
    if (!record || record->separatorData().empty())
        return;
    const std::string& word = record->separatorData();
    const auto& domain = record->domainIdentifier();
    if (!domain) {
        m_excludedDomainsBySeparatorData[word] = word;
        return;
    }
    const std::string& key = domain->uniqueIdentifier();
    m_domainIdentifiersStorage[key] = domain;
    NSMutableDictionarySeparator::addObject(m_recordsByDomainIdentifier, record, key);
    m_domainIdentifiersBySeparatorData[word] = domain;
}

std::vector<std::shared_ptr<const DomainIdentifier>> KBSeparator::domainIdentifiers() const {
    std::vector<std::shared_ptr<const DomainIdentifier>> identifiers;
    identifiers.reserve(m_domainIdentifiersStorage.size());
    for (const auto& [key, identifier] : m_domainIdentifiersStorage)
        identifiers.push_back(identifier);
    return identifiers;
}

const KBSeparator::RecordSet*
KBSeparator::setOfRecordsForDomainIdentifier(const DomainIdentifier* domainIdentifier) const {
    if (!domainIdentifier)
        return nullptr;
    return NSMutableDictionarySeparator::setOfObjectsWithSeparatorKey(
        m_recordsByDomainIdentifier, domainIdentifier->uniqueIdentifier());
}

bool KBSeparator::isExcludedSeparatorData(std::string_view word) const {
    return m_excludedDomainsBySeparatorData.contains(std::string(word));
}

std::shared_ptr<const DomainIdentifier>
KBSeparator::domainIdentifierForSeparatorData(std::string_view word) const {
    auto found = m_domainIdentifiersBySeparatorData.find(std::string(word));
    return found == m_domainIdentifiersBySeparatorData.end() ? nullptr : found->second;
}
