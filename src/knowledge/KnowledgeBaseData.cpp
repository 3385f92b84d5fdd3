#include "knowledge/KnowledgeBaseData.h"

#include "knowledge/DataDecompressor.h"
#include "knowledge/KBExtensionSkipItem.h"
#include "knowledge/KBXMLBundleScripts.h"
#include "knowledge/KBXMLCommon.h"
#include "knowledge/KBXMLDocument.h"
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
    data->load(*opening.document);
    return data;
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
    if (!opening.document) {
        if (error && error->code == static_cast<int>(TBXMLErrorCode::UnableToAllocateMemory))
            opening.refusal = "the document has more than " +
                              std::to_string(KnowledgeBaseLimits::kMaxXMLRecords) +
                              " elements or attributes";
        else if (opening.problem && opening.problem->kind == TBXMLProblem::Kind::NoRootElement)
            opening.refusal = "not a knowledge-base document (" + opening.problem->describe() + ")";
        else
            opening.refusal = "not a knowledge-base document (no <base> root element)";
        return opening;
    }
    // Counting walks the tree, before a single record or rule is made.
    const KBXMLDomains* domains = opening.document->domains();
    const std::size_t records = domains ? domains->countFileElements() : 0;
    std::size_t rules = 0;
    if (const KBXMLRules* section = opening.document->rules())
        section->iterateRules([&](const KBXMLRule&) { ++rules; });
    if (records > KnowledgeBaseLimits::kMaxRecords)
        opening.refusal = "the document has " + std::to_string(records) + " records, more than " +
                          std::to_string(KnowledgeBaseLimits::kMaxRecords);
    else if (rules > KnowledgeBaseLimits::kMaxRules)
        opening.refusal = "the document has " + std::to_string(rules) + " rules, more than " +
                          std::to_string(KnowledgeBaseLimits::kMaxRules);
    if (!opening.refusal.empty())
        opening.document.reset();
    return opening;
}

std::shared_ptr<KnowledgeBaseData> KnowledgeBaseData::createWithXMLData(SecureBuffer& xml) {
    std::shared_ptr<KnowledgeBaseData> data(new KnowledgeBaseData());
    data->load(xml);
    return data;
}

void KnowledgeBaseData::load(SecureBuffer& xml) {
    const bool empty = xml.empty();
    // The reader parses the plaintext where it lies, so that no second copy of the
    // document is made, and wipes and gives it back as the domains are read.
    DocumentOpening opening = openDocument(std::move(xml));
    if (!opening.document && !empty)
        KnowledgeBaseLog::writeOnce("refused: " + opening.refusal);
    else if (opening.document && opening.problem)
        KnowledgeBaseLog::writeOnce("malformed document, read as far as it goes: " +
                                    opening.problem->describe());
    if (auto document = std::move(opening.document)) {
        // The records are the largest part of the model and the domains the largest
        // part of the document: they are made last, the document giving back its tree
        // and text behind each domain as it is read, and filed in the index once the
        // document is gone, so that the document and the model are never held whole
        // together.
        KnowledgeRecordIndex::Batch batch = build(*document, true);
        document.reset();
        fileRecords(batch);
    }
}

std::shared_ptr<KnowledgeBaseData> KnowledgeBaseData::createWithDocument(KBXMLDocument& document) {
    std::shared_ptr<KnowledgeBaseData> data(new KnowledgeBaseData());
    KnowledgeRecordIndex::Batch batch = data->build(document, false);
    data->fileRecords(batch);
    return data;
}

KnowledgeRecordIndex::Batch KnowledgeBaseData::build(KBXMLDocument& document, bool consume) {
    m_isParsed = true;
    parseRules(document.rules());
    parseSeparators(document.separators());
    parseDomainGroups(document.domainGroups());
    parseDataForCustomDomains(document.customDomains());
    parseDataForCustomScripts(document.customScripts());
    applySystemSkipList(document.systemSkipList());
    parseExtensionsSkipList(document.extensionsSkipList());
    return collectDomains(document.domains(), consume ? &document : nullptr);
}

void KnowledgeBaseData::fileRecords(KnowledgeRecordIndex::Batch& batch) {
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

KnowledgeRecordIndex::Batch KnowledgeBaseData::collectDomains(const KBXMLDomains* section,
                                                              KBXMLDocument* consuming) {
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
    // The batch is closed on every way out, so no later record can be left in it.
    struct BatchScope {
        KnowledgeRecordIndex::Batch*& open;
        ~BatchScope() { open = nullptr; }
    } scope{m_recordBatch};
    m_recordBatch = &batch;
    const auto parse = [&](const KBXMLDomain& domain) { parseDataForDomain(domain); };
    if (consuming)
        consuming->consumeDomains(parse);
    else
        section->iterateDomains(parse);
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
    domain.iterateGroups(
        [&](const KBXMLFileGroup& fileGroup) { parseDataForGroup(fileGroup, *group); });
}

void KnowledgeBaseData::parseDataForGroup(const KBXMLFileGroup& fileGroup,
                                          const KnowledgeRecordGroup& group) {
    // The group's name is read once; isSystem() and dependencyType() would read it twice.
    const std::optional<std::string> name = fileGroup.groupName();
    const bool isSystem = name == "system";
    const int dependencyType = KBXMLCommon::convertToAppDependencyGroupFromGroupValue(name);
    if (!isSystem && dependencyType == -1)
        return;
    const std::string& home = PathsGenerator::GetInstance().getHomeDirectory();
    std::string expanded; // reused from record to record
    fileGroup.iterateFiles([&](const KBXMLFile& file) {
        const std::string_view path = file.pathView();
        if (path.empty())
            return;
        // A record the helper might offer must name something inside the home folder's
        // Library; a system record only protects what it names.
        if (isSystem) {
            if (!KnowledgeBasePathPolicy::systemRecordRefusal(path))
                fileRecord(*KnowledgeRecord::createSystemItem(m_recordArena, group, path));
            return;
        }
        if (path.starts_with("~/"))
            expanded.assign(home).append(path.substr(1));
        else
            expanded.assign(path);
        if (!KnowledgeBasePathPolicy::recordRefusal(expanded, home))
            fileRecord(*KnowledgeRecord::create(m_recordArena, group, path, dependencyType));
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
