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
    // The same, handing every element of the domains section to `onDomainsChild` as
    // soon as the reader has read it whole, and dropping it then, with its text: the
    // domains are by far the largest part of a knowledge base and each is needed once,
    // so the tree never holds more than one of them. The call comes before the document
    // exists, and before the reader knows whether the rest of the text is well formed.
    // The other sections are read afterwards as usual; the domains section is empty.
    using DomainsChildAction = std::function<void(const _TBXMLElement* child)>;
    static std::shared_ptr<KBXMLDocument> create(SecureBuffer&& data, size_t maxRecords,
                                                 const DomainsChildAction& onDomainsChild,
                                                 std::optional<TBXMLError>* error,
                                                 std::optional<TBXMLProblem>* problem);

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

private:
    explicit KBXMLDocument(std::shared_ptr<TBXML> tbxml);
    static std::shared_ptr<KBXMLDocument> fromReader(std::shared_ptr<TBXML> tbxml);

    template <typename Wrapper>
    const Wrapper* section(std::optional<Wrapper>& cache, std::string_view name);

    std::shared_ptr<TBXML> m_tbxml;
    const _TBXMLElement* m_root{nullptr};

    std::optional<KBXMLRules> m_rules;
    std::optional<KBXMLSeparators> m_separators;
    std::optional<KBXMLDomains> m_domains;
    std::optional<KBXMLDomainGroups> m_domainGroups;
    std::optional<KBXMLCustomDomains> m_customDomains;
    std::optional<KBXMLCustomScripts> m_customScripts;
    std::optional<KBXMLSystemSkipList> m_systemSkipList;
    std::optional<KBXMLExtensionsSkipList> m_extensionsSkipList;
};
