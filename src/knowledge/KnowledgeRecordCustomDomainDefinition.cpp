#include "knowledge/KnowledgeRecordCustomDomainDefinition.h"

#include "platform/Json.h"

KnowledgeRecordCustomDomainDefinition::KnowledgeRecordCustomDomainDefinition(
    std::shared_ptr<const DomainCustomIdentifier> identifier, platform::PlistValue test)
    : m_domainIdentifier(std::move(identifier)), m_test(std::move(test)) {}

std::shared_ptr<const KnowledgeRecordCustomDomainDefinition>
KnowledgeRecordCustomDomainDefinition::create(
    std::shared_ptr<const DomainIdentifier> domainIdentifier, std::string_view rawJSON) {
    auto custom = std::dynamic_pointer_cast<const DomainCustomIdentifier>(domainIdentifier);
    if (!custom)
        return nullptr;
    std::optional<platform::PlistValue> test = platform::Json::parse(rawJSON);
    if (!test || !test->asArray())
        return nullptr;
    return std::shared_ptr<const KnowledgeRecordCustomDomainDefinition>(
        new KnowledgeRecordCustomDomainDefinition(std::move(custom), std::move(*test)));
}
