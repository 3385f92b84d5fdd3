#pragma once

#include "knowledge/DomainCustomIdentifier.h"
#include "knowledge/DomainIdentifier.h"
#include "platform/PlistValue.h"

#include <memory>
#include <string_view>

// One custom domain definition of the knowledge base: a bundle without bundle
// identifier whose Info.plist passes `test` (see CDValidator) belongs to
// `domainIdentifier`.
class KnowledgeRecordCustomDomainDefinition {
public:
    // None unless the identifier is a custom identifier and the text is a JSON array.
    static std::shared_ptr<const KnowledgeRecordCustomDomainDefinition>
    create(std::shared_ptr<const DomainIdentifier> domainIdentifier, std::string_view rawJSON);

    const std::shared_ptr<const DomainCustomIdentifier>& domainIdentifier() const {
        return m_domainIdentifier;
    }
    const platform::PlistValue& test() const { return m_test; }

private:
    KnowledgeRecordCustomDomainDefinition(std::shared_ptr<const DomainCustomIdentifier> identifier,
                                          platform::PlistValue test);

    std::shared_ptr<const DomainCustomIdentifier> m_domainIdentifier;
    platform::PlistValue m_test;
};
