#pragma once

#include "knowledge/KBXMLCustomDomains.h"
#include "knowledge/KBXMLCustomScripts.h"
#include "knowledge/KBXMLDomainGroups.h"
#include "knowledge/KBXMLDomains.h"
#include "knowledge/KBXMLExtensionsSkipList.h"
#include "knowledge/KBXMLRules.h"
#include "knowledge/KBXMLSeparators.h"
#include "knowledge/KBXMLSystemSkipList.h"
#include "knowledge/TBXML.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

// The knowledge-base document, whose root element is `base`. It owns the reader, so
// every wrapper and element pointer handed out from it stays valid exactly as long as
// the document lives.
//
// The section accessors find a section the first time they are asked, keep its wrapper
// and hand out the same one afterwards; a missing section gives none and is looked for
// again on the next call. A document is meant for the one search that loaded it: it
// has no lock.
class KBXMLDocument {
public:
    // None when the data holds no element or the root is not named "base".
    static std::shared_ptr<KBXMLDocument> create(std::span<const std::uint8_t> data);
    static std::shared_ptr<KBXMLDocument> create(std::string_view data);
    // The same, read where it lies in `data`, which the document keeps (see
    // `TBXML::newTBXMLTakingXMLData`), with the reader's tree bounded as there; `error`
    // tells a document past the bound (UnableToAllocateMemory) from others, and
    // `problem`, when given, receives the reader's first structural fault, if any.
    static std::shared_ptr<KBXMLDocument> create(SecureBuffer&& data, size_t maxRecords,
                                                 std::optional<TBXMLError>* error,
                                                 std::optional<TBXMLProblem>* problem = nullptr);

    KBXMLDocument(const KBXMLDocument&) = delete;
    KBXMLDocument& operator=(const KBXMLDocument&) = delete;

    const std::shared_ptr<TBXML>& tbxml() const { return m_tbxml; }
    const _TBXMLElement* root() const { return m_root; }

    const KBXMLRules* rules();
    const KBXMLSeparators* separators();
    const KBXMLDomains* domains();
    const KBXMLDomainGroups* domainGroups();
    const KBXMLCustomDomains* customDomains();
    const KBXMLCustomScripts* customScripts();
    const KBXMLSystemSkipList* systemSkipList();
    const KBXMLExtensionsSkipList* extensionsSkipList();

    // Reads the domains once, in document order, giving back the reader's tree and text
    // before each domain as the walk reaches it, so that a large document is not held
    // whole while its domains become records. The last thing done with a document:
    // afterwards every section accessor gives none and nothing read from the document
    // before may be used again.
    void consumeDomains(const std::function<void(const KBXMLDomain&)>& action);

private:
    explicit KBXMLDocument(std::shared_ptr<TBXML> tbxml);
    static std::shared_ptr<KBXMLDocument> fromReader(std::shared_ptr<TBXML> tbxml);

    template <typename Wrapper>
    const Wrapper* section(std::optional<Wrapper>& cache, std::string_view name);

    std::shared_ptr<TBXML> m_tbxml;
    const _TBXMLElement* m_root{nullptr};
    bool m_consumed{false};

    std::optional<KBXMLRules> m_rules;
    std::optional<KBXMLSeparators> m_separators;
    std::optional<KBXMLDomains> m_domains;
    std::optional<KBXMLDomainGroups> m_domainGroups;
    std::optional<KBXMLCustomDomains> m_customDomains;
    std::optional<KBXMLCustomScripts> m_customScripts;
    std::optional<KBXMLSystemSkipList> m_systemSkipList;
    std::optional<KBXMLExtensionsSkipList> m_extensionsSkipList;
};
