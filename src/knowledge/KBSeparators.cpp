#include "knowledge/KBSeparators.h"

KBSeparators::KBSeparators(const KBXMLSeparators* separators)
    : m_original(separatorWithType(kOriginalName, Lookup::CreateIfNeed)),
      m_lowercase(separatorWithType(kLowercaseName, Lookup::CreateIfNeed)),
      m_alphanumeric(separatorWithType(kAlphanumericName, Lookup::CreateIfNeed)),
      m_component(separatorWithType(kNameComponent, Lookup::CreateIfNeed)) {
    if (!separators)
        return;
    separators->iterateDomainSeparators([this](const KBXMLDomainSeparator& domainSeparator) {
        auto domain = domainSeparator.domainIdentifier();
        domainSeparator.iterateTypedSeparators([&](const KBXMLTypedSeparator& typed) {
            auto separator = separatorWithType(typed.separatorType(), Lookup::ExistingOnly);
            if (!separator)
                return;
            typed.iterateSeparatorWords([&](const KBXMLSeparatorWord& word) {
                separator->addRecord(
                    std::make_shared<const KBSeparatorRecord>(domain, word.word()));
            });
        });
    });
}

std::shared_ptr<KBSeparator> KBSeparators::separatorWithType(const std::optional<std::string>& type,
                                                             Lookup lookup) {
    if (!type)
        return nullptr;
    auto found = m_separators.find(*type);
    if (found != m_separators.end())
        return found->second;
    if (lookup == Lookup::ExistingOnly)
        return nullptr;
    auto separator = std::make_shared<KBSeparator>(*type);
    m_separators.emplace(*type, separator);
    return separator;
}
