#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/KBSeparatorRecord.h"
#include "knowledge/NSMutableDictionarySeparator.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// All separator words of one name form ("originalName", "lowercaseName",
// "alphanumericName" or "nameComponent"). Words are kept exactly as the document writes
// them, whatever the form.
class KBSeparator {
public:
    using RecordSet = NSMutableDictionarySeparator::ObjectSet<const KBSeparatorRecord>;

    explicit KBSeparator(std::string type) : m_type(std::move(type)) {}

    const std::string& type() const { return m_type; }

    // Files a word: without a domain it becomes an excluded word; with one it is added to
    // the domain's records and points to that domain, replacing an earlier domain of the
    // same word. A record without a word (an empty one) is ignored.
    void addRecord(const std::shared_ptr<const KBSeparatorRecord>& record);

    // Every domain that has a word of this form, in no particular order.
    std::vector<std::shared_ptr<const DomainIdentifier>> domainIdentifiers() const;
    // The records of a domain, found by its unique identifier; none for none.
    const RecordSet*
    setOfRecordsForDomainIdentifier(const DomainIdentifier* domainIdentifier) const;
    bool isExcludedSeparatorData(std::string_view word) const;
    // The domain the word points to, or none.
    std::shared_ptr<const DomainIdentifier>
    domainIdentifierForSeparatorData(std::string_view word) const;

    const std::unordered_map<std::string, std::string>& excludedDomainsBySeparatorData() const {
        return m_excludedDomainsBySeparatorData;
    }
    const NSMutableDictionarySeparator::SetMap<const KBSeparatorRecord>&
    recordsByDomainIdentifier() const {
        return m_recordsByDomainIdentifier;
    }
    const std::unordered_map<std::string, std::shared_ptr<const DomainIdentifier>>&
    domainIdentifiersBySeparatorData() const {
        return m_domainIdentifiersBySeparatorData;
    }
    const std::unordered_map<std::string, std::shared_ptr<const DomainIdentifier>>&
    domainIdentifiersStorage() const {
        return m_domainIdentifiersStorage;
    }

private:
    std::string m_type;
    std::unordered_map<std::string, std::string> m_excludedDomainsBySeparatorData;
    NSMutableDictionarySeparator::SetMap<const KBSeparatorRecord> m_recordsByDomainIdentifier;
    std::unordered_map<std::string, std::shared_ptr<const DomainIdentifier>>
        m_domainIdentifiersBySeparatorData;
    std::unordered_map<std::string, std::shared_ptr<const DomainIdentifier>>
        m_domainIdentifiersStorage;
};
