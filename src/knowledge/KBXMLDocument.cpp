#include "knowledge/KBXMLDocument.h"

#include "knowledge/KBXMLCommon.h"

KBXMLDocument::KBXMLDocument(std::shared_ptr<TBXML> tbxml)
    : m_tbxml(std::move(tbxml)), m_root(m_tbxml->rootXMLElement()) {}

std::shared_ptr<KBXMLDocument> KBXMLDocument::fromReader(std::shared_ptr<TBXML> tbxml) {
    if (!tbxml || !KBXMLCommon::isElementNamed(tbxml->rootXMLElement(), "base"))
        return nullptr;
    return std::shared_ptr<KBXMLDocument>(new KBXMLDocument(std::move(tbxml)));
}

std::shared_ptr<KBXMLDocument> KBXMLDocument::create(std::span<const std::uint8_t> data) {
    return fromReader(TBXML::newTBXMLWithXMLData(data));
}

std::shared_ptr<KBXMLDocument> KBXMLDocument::create(SecureBuffer&& data, size_t maxRecords,
                                                     std::optional<TBXMLError>* error,
                                                     std::optional<TBXMLProblem>* problem) {
    auto reader = TBXML::newTBXMLTakingXMLData(std::move(data), error, maxRecords);
    if (problem)
        *problem = reader ? reader->problem() : std::nullopt;
    return fromReader(std::move(reader));
}

std::shared_ptr<KBXMLDocument> KBXMLDocument::create(SecureBuffer&& data, size_t maxRecords,
                                                     const DomainsChildAction& onDomainsChild,
                                                     std::optional<TBXMLError>* error,
                                                     std::optional<TBXMLProblem>* problem) {
    const TBXML::StreamedSection domains{"base", "domains", onDomainsChild};
    auto reader = TBXML::newTBXMLStreamingXMLData(std::move(data), domains, error, maxRecords);
    if (problem)
        *problem = reader ? reader->problem() : std::nullopt;
    return fromReader(std::move(reader));
}

std::shared_ptr<KBXMLDocument> KBXMLDocument::create(std::string_view data) {
    return fromReader(TBXML::newTBXMLWithXMLData(data));
}

template <typename Wrapper>
const Wrapper* KBXMLDocument::section(std::optional<Wrapper>& cache, std::string_view name) {
    if (!cache)
        cache = Wrapper::create(TBXML::childElementNamed(name, m_root));
    return cache ? &*cache : nullptr;
}

const KBXMLRules* KBXMLDocument::rules() {
    return section(m_rules, "rules");
}

const KBXMLSeparators* KBXMLDocument::separators() {
    return section(m_separators, "separators");
}

const KBXMLDomains* KBXMLDocument::domains() {
    return section(m_domains, "domains");
}

const KBXMLDomainGroups* KBXMLDocument::domainGroups() {
    return section(m_domainGroups, "domainGroups");
}

const KBXMLCustomDomains* KBXMLDocument::customDomains() {
    return section(m_customDomains, "CustomDomains");
}

const KBXMLCustomScripts* KBXMLDocument::customScripts() {
    return section(m_customScripts, "customScripts");
}

const KBXMLSystemSkipList* KBXMLDocument::systemSkipList() {
    return section(m_systemSkipList, "skipList");
}

const KBXMLExtensionsSkipList* KBXMLDocument::extensionsSkipList() {
    return section(m_extensionsSkipList, "extensionsSkipList");
}
