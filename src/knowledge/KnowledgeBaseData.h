#pragma once

#include "knowledge/KBSeparators.h"
#include "knowledge/KnowledgeRecord.h"
#include "knowledge/KnowledgeRecordCustomDomainDefinition.h"
#include "knowledge/KnowledgeRecordDomainGroup.h"
#include "knowledge/KnowledgeRecordGroup.h"
#include "knowledge/KnowledgeRecordIndex.h"
#include "knowledge/KnowledgeRecordMaker.h"
#include "knowledge/KnowledgeRecordRemovalScripts.h"
#include "knowledge/MutableExtensionsSkipList.h"
#include "knowledge/MutableSystemSkipList.h"
#include "knowledge/SecureBuffer.h"
#include "knowledge/TBXMLError.h"
#include "knowledge/TBXMLProblem.h"
#include "search/SearchRule.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class FileItem;
class KBXMLCustomDomains;
class KBXMLCustomScripts;
class KBXMLDocument;
class KBXMLDomain;
class KBXMLDomainGroup;
class KBXMLDomainGroups;
class KBXMLDomains;
class KBXMLExtensionsSkipList;
class KBXMLFileGroup;
class KBXMLRules;
class KBXMLSeparators;
class KBXMLSystemSkipList;

// The loaded knowledge base: records, groups and the indexes the search asks. It is
// filled completely when created and read afterwards, except for the records' used
// marks; it belongs to the one search that loaded it and has no lock.
class KnowledgeBaseData {
public:
    using RecordAction = std::function<void(KnowledgeRecord&)>;

    // Loads the container at `path`. Always gives an object; isParsed() tells whether
    // the document was read.
    static std::shared_ptr<KnowledgeBaseData> createWithPath(const std::string& path);
    // Loads an XML document that is already in memory. The reader takes the buffer over
    // and parses it where it lies (the buffer is empty afterwards); its bytes are wiped
    // and given back as the model is built from them.
    static std::shared_ptr<KnowledgeBaseData> createWithXMLData(SecureBuffer& xml);
    // The model of a document already read (see openDocument), for a caller that reads
    // the document itself; always parsed.
    static std::shared_ptr<KnowledgeBaseData> createWithDocument(KBXMLDocument& document);

    // The document a load reads from `xml`, or why a load refuses it: not a knowledge
    // base, or past one of the bounds of KnowledgeBaseLimits. `problem` is the reader's
    // first structural fault: a document with one still loads, as far as it reads.
    struct DocumentOpening {
        std::shared_ptr<KBXMLDocument> document;
        std::string refusal;
        std::optional<TBXMLProblem> problem;
    };
    static DocumentOpening openDocument(std::span<const std::uint8_t> xml);
    // The same, the reader taking `xml` over (it is empty afterwards).
    static DocumentOpening openDocument(SecureBuffer&& xml);

    bool isParsed() const { return m_isParsed; }
    const std::vector<std::shared_ptr<SearchRule>>& searchRules() const { return m_searchRules; }
    const KBSeparators& separators() const { return m_separators; }
    const std::unordered_map<std::string, std::shared_ptr<KnowledgeRecordGroup>>&
    recordGroups() const {
        return m_recordGroups;
    }
    // Keyed by views into the path of the first record filed under each name. The
    // records are this knowledge base's and valid as long as it is.
    const KnowledgeRecordIndex& recordsByFileNames() const { return m_recordsByFileNames; }
    const std::unordered_map<std::string, std::shared_ptr<KnowledgeRecordDomainGroup>>&
    domainGroupRecordByAppUniqueIdentifier() const {
        return m_domainGroupRecordByAppUniqueIdentifier;
    }
    const std::unordered_map<std::string, std::shared_ptr<KnowledgeRecordDomainGroup>>&
    domainGroupRecordByPath() const {
        return m_domainGroupRecordByPath;
    }
    const std::vector<std::shared_ptr<const KnowledgeRecordCustomDomainDefinition>>&
    customDomainDefinitions() const {
        return m_customDomainDefinitions;
    }
    const std::unordered_map<std::string, std::shared_ptr<KnowledgeRecordRemovalScripts>>&
    preremovalScriptsByDomainId() const {
        return m_preremovalScriptsByDomainId;
    }
    const std::unordered_map<std::string, std::shared_ptr<KnowledgeRecordRemovalScripts>>&
    postremovalScriptsByDomainId() const {
        return m_postremovalScriptsByDomainId;
    }
    const MutableSystemSkipList& mutableSystemSkipList() const { return m_mutableSystemSkipList; }
    const MutableExtensionsSkipList& mutableSkipList() const { return m_mutableSkipList; }

    std::shared_ptr<KnowledgeRecordGroup>
    groupByDomainIdentifier(const std::shared_ptr<const DomainIdentifier>& identifier) const;
    // Every record whose path is exactly the item's full path, newest first; each one
    // is marked used before `action` (which may be empty) is called.
    void enumerateRecordsForFileItem(FileItem& item, const RecordAction& action) const;

    KnowledgeBaseData(const KnowledgeBaseData&) = delete;
    KnowledgeBaseData& operator=(const KnowledgeBaseData&) = delete;

private:
    KnowledgeBaseData() = default;
    // The model of `xml`, taken over; an empty, unparsed one when the document is
    // refused, which the log says.
    static std::shared_ptr<KnowledgeBaseData> loaded(SecureBuffer& xml);
    // Reads the document into this model, the domains as the reader reads them; gives
    // why the document is refused, or nothing.
    std::string read(SecureBuffer&& text);
    static std::string refusalOf(KBXMLDocument* document, const std::optional<TBXMLError>& error,
                                 const std::optional<TBXMLProblem>& problem, std::size_t records);
    // Every section but the domains.
    void readSections(KBXMLDocument& document);

    // Replaces an earlier group of the same domain; a group whose identifier has no
    // unique identifier is not filed.
    void addGroup(const std::shared_ptr<KnowledgeRecordGroup>& group);
    // Files the record as the newest under the last component of its path.
    void addRecord(KnowledgeRecord& record);
    void enumerateRecords(const std::string& fileName, const std::string& fullPath,
                          const RecordAction& action) const;

    void parseRules(const KBXMLRules* section);
    void parseSeparators(const KBXMLSeparators* section);
    void parseDataForDomain(const KBXMLDomain& domain);
    void parseDataForGroup(const KBXMLFileGroup& fileGroup, const KnowledgeRecordGroup& group);
    void parseDomainGroups(const KBXMLDomainGroups* section);
    void parseDataForDomainGroup(const KBXMLDomainGroup& domainGroup);
    void parseDataForCustomDomains(const KBXMLCustomDomains* section);
    void parseDataForCustomScripts(const KBXMLCustomScripts* section);
    void applySystemSkipList(const KBXMLSystemSkipList* section);
    void parseExtensionsSkipList(const KBXMLExtensionsSkipList* section);
    void loadSystemBundleIds();
    // The records of the section's domains, not yet filed in the index; their groups
    // are filed.
    KnowledgeRecordIndex::Batch collectDomains(const KBXMLDomains* section);
    // Files what collectDomains() made, and completes the model.
    void fileRecords(KnowledgeRecordIndex::Batch& batch);
    // Files the record at once, or with the domains section's batch while one is open.
    void fileRecord(KnowledgeRecord& record);
    static void enumerateChain(KnowledgeRecord* head, const std::string& fullPath,
                               const RecordAction& action);

    bool m_isParsed{false};
    std::vector<std::shared_ptr<SearchRule>> m_searchRules;
    KBSeparators m_separators{nullptr};
    std::unordered_map<std::string, std::shared_ptr<KnowledgeRecordGroup>> m_recordGroups;
    KnowledgeRecordIndex m_recordsByFileNames;
    KnowledgeRecordIndex::Batch* m_recordBatch{nullptr};
    // Closes the batch on every way out, so that no later record can be left in it.
    struct BatchScope {
        KnowledgeRecordIndex::Batch*& open;
        ~BatchScope() { open = nullptr; }
    };
    // Where the records and their paths lie, and every group a record refers to (a later
    // domain of the same identifier replaces a group in m_recordGroups, not here).
    KnowledgeRecordArena m_recordArena;
    // Checks and makes the records while the domains are read; gone once they are filed.
    std::unique_ptr<KnowledgeRecordMaker> m_recordMaker;
    std::vector<std::shared_ptr<const KnowledgeRecordGroup>> m_groupsOfRecords;
    std::unordered_map<std::string, std::shared_ptr<KnowledgeRecordDomainGroup>>
        m_domainGroupRecordByAppUniqueIdentifier;
    std::unordered_map<std::string, std::shared_ptr<KnowledgeRecordDomainGroup>>
        m_domainGroupRecordByPath;
    std::vector<std::shared_ptr<const KnowledgeRecordCustomDomainDefinition>>
        m_customDomainDefinitions;
    std::unordered_map<std::string, std::shared_ptr<KnowledgeRecordRemovalScripts>>
        m_preremovalScriptsByDomainId;
    std::unordered_map<std::string, std::shared_ptr<KnowledgeRecordRemovalScripts>>
        m_postremovalScriptsByDomainId;
    MutableSystemSkipList m_mutableSystemSkipList;
    MutableExtensionsSkipList m_mutableSkipList;
};
