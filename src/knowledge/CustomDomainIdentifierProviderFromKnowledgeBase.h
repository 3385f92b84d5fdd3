#pragma once

#include "knowledge/CustomDomainIdentifierProvider.h"
#include "knowledge/KnowledgeBaseData.h"

#include <memory>
#include <string>

// Names bundles without a bundle identifier by the knowledge base's custom domain
// rules: the first rule that the bundle's Info.plist passes gives the identifier.
class CustomDomainIdentifierProviderFromKnowledgeBase final
    : public CustomDomainIdentifierProvider {
public:
    explicit CustomDomainIdentifierProviderFromKnowledgeBase(
        std::shared_ptr<const KnowledgeBaseData> data)
        : m_data(std::move(data)) {}

    const std::shared_ptr<const KnowledgeBaseData>& data() const { return m_data; }

    std::shared_ptr<const DomainIdentifier>
    idForBundleWithoutIdAtPath(const std::string& path) override;

private:
    std::shared_ptr<const KnowledgeBaseData> m_data;
};
