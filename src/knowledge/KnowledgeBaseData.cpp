#include "knowledge/KnowledgeBaseData.h"

#include "knowledge/DataDecompressor.h"
#include "knowledge/KBExtensionSkipItem.h"
#include "knowledge/KBXMLBundleScripts.h"
#include "knowledge/KBXMLCommon.h"
#include "knowledge/KBXMLDocument.h"
#include "knowledge/KBXMLDomains.h"
#include "knowledge/KBXMLFile.h"
#include "knowledge/KBXMLFileGroup.h"
#include "knowledge/KBXMLRule.h"
#include "knowledge/KnowledgeBaseLimits.h"
#include "knowledge/KnowledgeBaseLog.h"
#include "knowledge/KnowledgeBasePathPolicy.h"
#include "knowledge/KnowledgeBaseSystemDomains.h"
#include "platform/FileSystem.h"
#include "search/FileItem.h"
#include "shell/PathsGenerator.h"

#include <algorithm>

std::shared_ptr<KnowledgeBaseData> KnowledgeBaseData::createWithPath(const std::string& path) {
    std::shared_ptr<KnowledgeBaseData> data(new KnowledgeBaseData());
    auto container = platform::FileSystem::readFile(path, KnowledgeBaseLimits::kMaxContainerBytes);
    if (!container) {
        if (platform::FileSystem::fileExists(path))
            KnowledgeBaseLog::writeOnce("cannot read " + path + " (unreadable, or larger than " +
                                        std::to_string(KnowledgeBaseLimits::kMaxContainerBytes) +
                                        " bytes)");
        return data;
    }
    DataDecompressor::Opening opening = DataDecompressor::openContainer(
        {reinterpret_cast<const std::uint8_t*>(container->data()), container->size()});
    container.reset();
    if (!opening.document) {
        KnowledgeBaseLog::writeOnce("cannot open " + path + ": " + opening.failure);
        return data;
    }
    return loaded(*opening.document);
}

namespace {

std::string tooLargeRefusal() {
    return "the document is larger than " + std::to_string(KnowledgeBaseLimits::kMaxDocumentBytes) +
           " bytes";
}

} // namespace

KnowledgeBaseData::DocumentOpening
KnowledgeBaseData::openDocument(std::span<const std::uint8_t> xml) {
    if (xml.size() > KnowledgeBaseLimits::kMaxDocumentBytes)
        return {nullptr, tooLargeRefusal(), std::nullopt};
    SecureBuffer copy;
    copy.reserve(xml.size() + 1);
    copy.append(xml);
    return openDocument(std::move(copy));
}

KnowledgeBaseData::DocumentOpening KnowledgeBaseData::openDocument(SecureBuffer&& xml) {
    SecureBuffer text = std::move(xml);
    DocumentOpening opening;
    if (text.size() > KnowledgeBaseLimits::kMaxDocumentBytes) {
        opening.refusal = tooLargeRefusal();
        return opening;
    }
    std::optional<TBXMLError> error;
    opening.document = KBXMLDocument::create(std::move(text), KnowledgeBaseLimits::kMaxXMLRecords,
                                             &error, &opening.problem);
    // Counting walks the tree, before a single record or rule is made.
    const KBXMLDomains* domains = opening.document ? opening.document->domains() : nullptr;
    opening.refusal = refusalOf(opening.document.get(), error, opening.problem,
                                domains ? domains->countFileElements() : 0);
    if (!opening.refusal.empty())
        opening.document.reset();
    return opening;
}

std::string KnowledgeBaseData::refusalOf(KBXMLDocument* document,
                                         const std::optional<TBXMLError>& error,
                                         const std::optional<TBXMLProblem>& problem,
                                         std::size_t records) {
    if (!document) {
        if (error && error->code == static_cast<int>(TBXMLErrorCode::UnableToAllocateMemory))
            return "the document has more than " +
                   std::to_string(KnowledgeBaseLimits::kMaxXMLRecords) + " elements or attributes";
        if (problem && problem->kind == TBXMLProblem::Kind::NoRootElement)
            return "not a knowledge-base document (" + problem->describe() + ")";
        return "not a knowledge-base document (no <base> root element)";
    }
    std::size_t rules = 0;
    if (const KBXMLRules* section = document->rules())
        section->iterateRules([&](const KBXMLRule&) { ++rules; });
    if (records > KnowledgeBaseLimits::kMaxRecords)
        return "the document has " + std::to_string(records) + " records, more than " +
               std::to_string(KnowledgeBaseLimits::kMaxRecords);
    if (rules > KnowledgeBaseLimits::kMaxRules)
        return "the document has " + std::to_string(rules) + " rules, more than " +
               std::to_string(KnowledgeBaseLimits::kMaxRules);
    return {};
}

std::shared_ptr<KnowledgeBaseData> KnowledgeBaseData::createWithXMLData(SecureBuffer& xml) {
    return loaded(xml);
}

std::shared_ptr<KnowledgeBaseData> KnowledgeBaseData::loaded(SecureBuffer& xml) {
    std::shared_ptr<KnowledgeBaseData> data(new KnowledgeBaseData());
    // The reader parses the plaintext where it lies, so that no second copy of the
    // document is made, and wipes and gives it back as the domains are read.
    SecureBuffer text = std::move(xml);
    if (text.empty())
        return data;
    const std::string refusal = text.size() > KnowledgeBaseLimits::kMaxDocumentBytes
                                    ? tooLargeRefusal()
                                    : data->read(std::move(text));
    if (refusal.empty())
        return data;
    KnowledgeBaseLog::writeOnce("refused: " + refusal);
    // What was made of the domains before the refusal goes with its model.
    return std::shared_ptr<KnowledgeBaseData>(new KnowledgeBaseData());
}

std::string KnowledgeBaseData::read(SecureBuffer&& text) {
    // The records are the largest part of the model and the domains the largest part
    // of the document: each domain becomes records as soon as the reader has read it,
    // and is dropped then with its text, so that the document and the model are never
    // held whole together. The records are filed in the index once the document is gone.
    std::size_t records = 0;
    KnowledgeRecordIndex::Batch batch;
    // The number of domains is known only at the end; real documents and the generated
    // one hold one per kilobyte or two, so the group table starts at about its final size
    // instead of moving every group each time it doubles.
    const std::size_t expectedDomains = text.size() / 1024;
    m_recordGroups.reserve(expectedDomains + KnowledgeBaseSystemDomains::CreateDomains().size());
    m_groupsOfRecords.reserve(expectedDomains);
    std::shared_ptr<KBXMLDocument> document;
    std::optional<TBXMLError> error;
    std::optional<TBXMLProblem> problem;
    {
        BatchScope scope{m_recordBatch};
        m_recordBatch = &batch;
        const auto onDomainsChild = [&](const _TBXMLElement* child) {
            // Past the bound nothing more is made, but the count goes on for the refusal.
            records += KBXMLDomains::countFileElementsOf(child);
            if (records > KnowledgeBaseLimits::kMaxRecords)
                return;
            if (auto domain = KBXMLDomain::create(child))
                parseDataForDomain(*domain);
        };
        document = KBXMLDocument::create(std::move(text), KnowledgeBaseLimits::kMaxXMLRecords,
                                         onDomainsChild, &error, &problem);
    }
    if (std::string refusal = refusalOf(document.get(), error, problem, records); !refusal.empty())
        return refusal;
    if (problem)
        KnowledgeBaseLog::writeOnce("malformed document, read as far as it goes: " +
                                    problem->describe());
    readSections(*document);
    document.reset();
    fileRecords(batch);
    return {};
}

std::shared_ptr<KnowledgeBaseData> KnowledgeBaseData::createWithDocument(KBXMLDocument& document) {
    std::shared_ptr<KnowledgeBaseData> data(new KnowledgeBaseData());
    data->readSections(document);
    KnowledgeRecordIndex::Batch batch = data->collectDomains(document.domains());
    data->fileRecords(batch);
    return data;
}

void KnowledgeBaseData::readSections(KBXMLDocument& document) {
    m_isParsed = true;
    parseRules(document.rules());
    parseSeparators(document.separators());
    parseDomainGroups(document.domainGroups());
    parseDataForCustomDomains(document.customDomains());
    parseDataForCustomScripts(document.customScripts());
    applySystemSkipList(document.systemSkipList());
    parseExtensionsSkipList(document.extensionsSkipList());
}

void KnowledgeBaseData::fileRecords(KnowledgeRecordIndex::Batch& batch) {
    // Every record is made: the table that lets them share their folders is not needed.
    m_recordMaker.reset();
    m_recordArena.forgetFolders();
    m_recordsByFileNames.fileAll(batch);
    loadSystemBundleIds();
}

void KnowledgeBaseData::addGroup(const std::shared_ptr<KnowledgeRecordGroup>& group) {
    if (!group || !group->domainIdentifier())
        return;
    const std::string& key = group->domainIdentifier()->uniqueIdentifier();
    if (key.empty())
        return;
    m_recordGroups[key] = group;
}

void KnowledgeBaseData::addRecord(KnowledgeRecord& record) {
    m_recordsByFileNames.file(record);
}

std::shared_ptr<KnowledgeRecordGroup> KnowledgeBaseData::groupByDomainIdentifier(
    const std::shared_ptr<const DomainIdentifier>& identifier) const {
    if (!identifier)
        return nullptr;
    auto found = m_recordGroups.find(identifier->uniqueIdentifier());
    return found == m_recordGroups.end() ? nullptr : found->second;
}

void KnowledgeBaseData::enumerateRecordsForFileItem(FileItem& item,
                                                    const RecordAction& action) const {
    // Most items a search asks about are unknown by name; their full paths, which take
    // a walk up the tree, are built only for names the index has.
    auto found = m_recordsByFileNames.find(item.getNameWithExt());
    if (found != m_recordsByFileNames.end())
        enumerateChain(found->second, item.buildFullPath(), action);
}

void KnowledgeBaseData::enumerateRecords(const std::string& fileName, const std::string& fullPath,
                                         const RecordAction& action) const {
    auto found = m_recordsByFileNames.find(fileName);
    if (found != m_recordsByFileNames.end())
        enumerateChain(found->second, fullPath, action);
}

void KnowledgeBaseData::enumerateChain(KnowledgeRecord* head, const std::string& fullPath,
                                       const RecordAction& action) {
    for (KnowledgeRecord* record = head; record; record = record->nextRecord()) {
        if (!record->hasPath(fullPath))
            continue;
        record->setUsed(true);
        if (action)
            action(*record);
    }
}

void KnowledgeBaseData::parseRules(const KBXMLRules* section) {
    if (!section)
        return;
    const std::string& home = PathsGenerator::GetInstance().getHomeDirectory();
    section->iterateRules([&](const KBXMLRule& rule) {
        auto built = SearchRule::create(rule);
        // Rules outside the home folder's Library, or over all of it, are not run.
        if (built && !KnowledgeBasePathPolicy::ruleRefusal(built->path(), built->deep(), home))
            m_searchRules.push_back(std::move(built));
    });
}

void KnowledgeBaseData::parseSeparators(const KBXMLSeparators* section) {
    m_separators = KBSeparators(section);
}

KnowledgeRecordIndex::Batch KnowledgeBaseData::collectDomains(const KBXMLDomains* section) {
    KnowledgeRecordIndex::Batch batch;
    if (!section)
        return batch;
    // The operating system's domains join the groups afterwards; growing the table step
    // by step would move every entry several times.
    const std::size_t domains = section->countDomainElements();
    m_recordGroups.reserve(m_recordGroups.size() + domains +
                           KnowledgeBaseSystemDomains::CreateDomains().size());
    m_groupsOfRecords.reserve(m_groupsOfRecords.size() + domains);
    // The section's records are filed together, in document order, which lets the index
    // fetch their slots ahead instead of waiting for memory once per record.
    BatchScope scope{m_recordBatch};
    m_recordBatch = &batch;
    section->iterateDomains([&](const KBXMLDomain& domain) { parseDataForDomain(domain); });
    return batch;
}

void KnowledgeBaseData::fileRecord(KnowledgeRecord& record) {
    if (m_recordBatch)
        m_recordBatch->add(record);
    else
        addRecord(record);
}

void KnowledgeBaseData::parseDataForDomain(const KBXMLDomain& domain) {
    auto identifier = domain.domain();
    if (!identifier)
        return;
    auto group = KnowledgeRecordGroup::create(identifier, domain.isSystem(), domain.isSeparateApp(),
                                              domain.isCommonDomain(), domain.parentDomain());
    addGroup(group);
    m_groupsOfRecords.push_back(group);
    domain.forEachGroup(
        [&](const KBXMLFileGroup& fileGroup) { parseDataForGroup(fileGroup, *group); });
}

void KnowledgeBaseData::parseDataForGroup(const KBXMLFileGroup& fileGroup,
                                          const KnowledgeRecordGroup& group) {
    // The group's name is read once; isSystem() and dependencyType() would read it twice.
    const std::optional<std::string_view> name = fileGroup.groupNameView();
    const bool isSystem = name == "system";
    const int dependencyType = KBXMLCommon::convertToAppDependencyGroupFromGroupValue(name);
    if (!isSystem && dependencyType == -1)
        return;
    if (!m_recordMaker)
        m_recordMaker = std::make_unique<KnowledgeRecordMaker>(
            m_recordArena, PathsGenerator::GetInstance().getHomeDirectory());
    fileGroup.forEachFile([&](const KBXMLFile& file) {
        const std::string_view path = file.pathView();
        if (path.empty())
            return;
        // A record the helper might offer must name something inside the places where
        // leftovers lie; a system record only protects what it names.
        if (isSystem) {
            if (!KnowledgeBasePathPolicy::systemRecordRefusal(path))
                fileRecord(*KnowledgeRecord::createSystemItem(m_recordArena, group, path));
            return;
        }
        if (KnowledgeRecord* record = m_recordMaker->offerable(group, path, dependencyType))
            fileRecord(*record);
    });
}

void KnowledgeBaseData::parseDomainGroups(const KBXMLDomainGroups* section) {
    if (section)
        section->iterateDomainGroups(
            [&](const KBXMLDomainGroup& domainGroup) { parseDataForDomainGroup(domainGroup); });
}

void KnowledgeBaseData::parseDataForDomainGroup(const KBXMLDomainGroup& domainGroup) {
    auto record = std::make_shared<KnowledgeRecordDomainGroup>(domainGroup);
    for (const auto& subdomain : record->subdomains()) {
        if (subdomain)
            m_domainGroupRecordByAppUniqueIdentifier[subdomain->uniqueIdentifier()] = record;
    }
    if (record->path())
        m_domainGroupRecordByPath[*record->path()] = record;
}

void KnowledgeBaseData::parseDataForCustomDomains(const KBXMLCustomDomains* section) {
    m_customDomainDefinitions.clear();
    if (!section)
        return;
    std::size_t budget = KnowledgeBaseLimits::kMaxCustomDomainBytes;
    section->iterateOverCustomDomains([&](const KBXMLCustomDomainDefinition& definition) {
        // Real rules are a line or two; huge ones would only cost memory to hold.
        const std::size_t size = definition.rawJSON().size();
        if (size > KnowledgeBaseLimits::kMaxCustomDomainDefinitionBytes || size > budget)
            return;
        budget -= size;
        if (auto record = KnowledgeRecordCustomDomainDefinition::create(definition.domainId(),
                                                                        definition.rawJSON()))
            m_customDomainDefinitions.push_back(std::move(record));
    });
}

void KnowledgeBaseData::parseDataForCustomScripts(const KBXMLCustomScripts* section) {
    if (!section)
        return;
    section->iterateBundleScripts([&](const KBXMLBundleScripts& scripts) {
        const std::string& key = scripts.domainIdentifier()->uniqueIdentifier();
        if (const auto& pre = scripts.preremovalScripts())
            m_preremovalScriptsByDomainId[key] =
                std::make_shared<KnowledgeRecordRemovalScripts>(*pre);
        if (const auto& post = scripts.postremovalScripts())
            m_postremovalScriptsByDomainId[key] =
                std::make_shared<KnowledgeRecordRemovalScripts>(*post);
    });
}

void KnowledgeBaseData::applySystemSkipList(const KBXMLSystemSkipList* section) {
    m_mutableSystemSkipList.clearContent();
    if (!section)
        return;
    const PathsGenerator& paths = PathsGenerator::GetInstance();
    for (const auto& item : section->items())
        m_mutableSystemSkipList.addPath(paths.expandTildeInPath(item.path()));
}

void KnowledgeBaseData::parseExtensionsSkipList(const KBXMLExtensionsSkipList* section) {
    if (!section)
        return;
    for (const auto& item : section->items())
        m_mutableSkipList.addItem(KBExtensionSkipItem(item));
}

void KnowledgeBaseData::loadSystemBundleIds() {
    KnowledgeBaseSystemDomains::EnumerateDomains([&](const auto& identifier) {
        auto group = groupByDomainIdentifier(identifier);
        if (!group) {
            group = KnowledgeRecordGroup::GroupWithDomainIdentifier(identifier);
            addGroup(group);
        }
        if (group->systemType() != 1)
            group->markAsSystem();
    });
}
