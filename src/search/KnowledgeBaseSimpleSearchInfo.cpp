#include "search/KnowledgeBaseSimpleSearchInfo.h"

#include "knowledge/CustomDomainIdentifierProviderFromKnowledgeBase.h"
#include "knowledge/DomainIdentifierBuilder.h"
#include "knowledge/KnowledgeBaseData.h"
#include "knowledge/KnowledgeRecord.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "search/DepFileItem.h"
#include "search/FileItem.h"

namespace {

// Files of the main application's own edition carry this mark in their names; they
// are not leftovers of an application whose identifier lacks it.
constexpr std::string_view kMainAppEditionMark = "-SIII";
constexpr std::string_view kProEditionIdentifier = "com.halvorn.Sweepwise-Pro";
constexpr std::string_view kPlainEditionIdentifier = "com.halvorn.Sweepwise";

bool sameDomain(const std::shared_ptr<const DomainIdentifier>& a,
                const std::shared_ptr<const DomainIdentifier>& b) {
    return a && b && a->uniqueIdentifier() == b->uniqueIdentifier();
}

// The first copy of the container that opens and parses, downloaded before embedded.
std::shared_ptr<KnowledgeBaseData> loadKnowledgeBase(const KnowledgeBasePathSearcher& searcher) {
    using Source = KnowledgeBasePathSearcher::Source;
    for (Source source : {Source::downloaded, Source::embedded}) {
        auto path = searcher.pathForSource(source);
        if (!path)
            continue;
        auto data = KnowledgeBaseData::createWithPath(*path);
        if (data && data->isParsed())
            return data;
    }
    return nullptr;
}

// The record's own domain, or the application's it is filed under.
std::string domainText(const KnowledgeRecord& record) {
    for (const auto* domain : {&record.domainIdentifier(), &record.parentDomainIdentifier()}) {
        if (*domain)
            return (*domain)->uniqueIdentifier();
    }
    return {};
}

} // namespace

std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
KnowledgeBaseSimpleSearchInfo::create(std::shared_ptr<const platform::Bundle> bundle) {
    if (!bundle)
        return nullptr;
    return std::shared_ptr<KnowledgeBaseSimpleSearchInfo>(
        new KnowledgeBaseSimpleSearchInfo(std::move(bundle)));
}

KnowledgeBaseSimpleSearchInfo::KnowledgeBaseSimpleSearchInfo(
    std::shared_ptr<const platform::Bundle> bundle)
    : m_bundle(std::move(bundle)) {
    m_bundleName = bundleNameForBundle(*m_bundle);
    m_bundleId = m_bundle->bundleIdentifier();
}

std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
KnowledgeBaseSimpleSearchInfo::generateForBundle(std::shared_ptr<const platform::Bundle> bundle) {
    return generateForBundle(std::move(bundle), KnowledgeBasePathSearcher());
}

std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
KnowledgeBaseSimpleSearchInfo::generateForBundle(std::shared_ptr<const platform::Bundle> bundle,
                                                 const KnowledgeBasePathSearcher& searcher) {
    if (!bundle)
        return nullptr;
    auto data = loadKnowledgeBase(searcher);
    if (!data)
        return nullptr;
    auto info = create(std::move(bundle));
    info->m_data = std::move(data);

    // Searches running at once share whichever provider came last; all of them are made
    // from the same container files.
    auto builder = DomainIdentifierBuilder::shared();
    auto provider = std::make_shared<CustomDomainIdentifierProviderFromKnowledgeBase>(info->m_data);
    builder->setCustomDomainIdentifierProvider(provider);
    info->m_domainIdentifier = builder->findIdentifierForBundleAt(info->m_bundle->bundlePath());
    info->search();
    // Left installed, the provider would keep this knowledge base and all its records
    // alive until the next removal, and that search would pay for releasing them.
    builder->resetCustomDomainIdentifierProvider(provider.get());
    return info;
}

std::shared_ptr<KnowledgeBaseData> KnowledgeBaseSimpleSearchInfo::takeData() {
    return std::move(m_data);
}

std::string KnowledgeBaseSimpleSearchInfo::bundleNameForBundle(const platform::Bundle& bundle) {
    if (const platform::PlistValue* executable =
            bundle.objectForInfoDictionaryKey("CFBundleExecutable")) {
        // An empty executable name stays empty: the rows and the name test that use
        // it then take nothing, rather than whatever the folder happens to be called.
        if (const std::string* name = executable->asString())
            return *name;
    }
    return platform::Path::deletingExtension(platform::Path::lastComponent(bundle.bundlePath()));
}

bool KnowledgeBaseSimpleSearchInfo::isNameOfApplication(
    const std::string& name, const std::optional<std::string>& bundleId,
    const std::optional<std::string>& bundleName) {
    // An empty identifier would be found in every name.
    if (!bundleId || bundleId->empty())
        return false;
    if (name.find(*bundleId) != std::string::npos) {
        if (name.find(kMainAppEditionMark) != std::string::npos &&
            bundleId->find(kMainAppEditionMark) == std::string::npos)
            return false;
        if (name.find(kProEditionIdentifier) != std::string::npos)
            return *bundleId != kPlainEditionIdentifier;
        return true;
    }
    return bundleName && platform::Text::caseInsensitiveEquals(name, *bundleName);
}

void KnowledgeBaseSimpleSearchInfo::search() {
    auto self = shared_from_this();
    const SystemSkipList* skipList = &m_data->mutableSystemSkipList();
    for (const auto& rule : m_data->searchRules())
        rule->findDependenciesForSeparator(self, skipList);
    addRecordsOfApplicationDomain();
}

// Records reported to the record check during the rules' walks are marked used, so no
// path is taken here a second time through the same record.
void KnowledgeBaseSimpleSearchInfo::addRecordsOfApplicationDomain() {
    if (!m_domainIdentifier)
        return;
    const SystemSkipList* skipList = &m_data->mutableSystemSkipList();
    for (const auto& [name, head] : m_data->recordsByFileNames()) {
        for (const std::shared_ptr<KnowledgeRecord>* link = &head; *link;
             link = &(*link)->nextRecord()) {
            const std::shared_ptr<KnowledgeRecord>& record = *link;
            if (record->used() || record->isSystemItem() || !belongsToApplication(*record))
                continue;
            // A path the document left relative (a bare "~") names nothing on disk.
            if (!record->path().starts_with('/'))
                continue;
            if (auto item = FileItem::createTreeForPath(record->path(), 0, skipList)) {
                auto depItem = DepFileItem::create(item, record->dependecyType());
                depItem->setReason(OfferReason::record(domainText(*record)));
                m_relatedDepItems.push_back(std::move(depItem));
            }
        }
    }
}

KnowledgeBaseSimpleSearchInfo::RecordCheck
KnowledgeBaseSimpleSearchInfo::checkKnowledgeRecords(const std::shared_ptr<DepFileItem>& item) {
    const std::shared_ptr<FileItem>& file = item->getFileItem();
    if (!file)
        return RecordCheck::notInKnowledgeBase;
    bool seen = false;
    bool system = false;
    std::shared_ptr<KnowledgeRecord> matching;
    m_data->enumerateRecordsForFileItem(*file, [&](const std::shared_ptr<KnowledgeRecord>& record) {
        seen = true;
        if (record->isSystemItem())
            system = true;
        else if (belongsToApplication(*record))
            matching = record;
    });
    if (!seen)
        return RecordCheck::notInKnowledgeBase;
    if (system || !matching)
        return RecordCheck::handled;
    item->applyKnowledgeRecord(matching);
    item->reason().match = OfferReason::Match::Domain;
    item->reason().domain = domainText(*matching);
    m_relatedDepItems.push_back(item);
    return RecordCheck::handled;
}

// A hundred thousand records share a few thousand groups, so the identifiers are
// compared once per group.
bool KnowledgeBaseSimpleSearchInfo::belongsToApplication(const KnowledgeRecord& record) {
    const KnowledgeRecordGroup* group = record.group().get();
    if (group == m_lastGroup)
        return m_lastGroupBelongs;
    auto [known, added] = m_groupBelongs.try_emplace(group, false);
    if (added)
        known->second = isApplicationDomain(record.domainIdentifier()) ||
                        isApplicationDomain(record.parentDomainIdentifier());
    m_lastGroup = group;
    m_lastGroupBelongs = known->second;
    return known->second;
}

bool KnowledgeBaseSimpleSearchInfo::isApplicationDomain(
    const std::shared_ptr<const DomainIdentifier>& domain) const {
    return sameDomain(m_domainIdentifier, domain);
}

void KnowledgeBaseSimpleSearchInfo::saveFileItemsTree(const std::shared_ptr<FileItem>& root) {
    if (root)
        m_rootItems.push_back(root);
}

bool KnowledgeBaseSimpleSearchInfo::addSystemDepItem(const std::shared_ptr<DepFileItem>& item) {
    return item && checkKnowledgeRecords(item) == RecordCheck::handled;
}

bool KnowledgeBaseSimpleSearchInfo::addDepItemToDomainIdentifier(
    const std::shared_ptr<DepFileItem>& item,
    const std::shared_ptr<const DomainIdentifier>& domain) {
    if (!item)
        return false;
    if (checkKnowledgeRecords(item) == RecordCheck::handled)
        return true;
    if (!isApplicationDomain(domain))
        return false;
    m_relatedDepItems.push_back(item);
    return true;
}

bool KnowledgeBaseSimpleSearchInfo::addDepItemWithParentDepItem(
    const std::shared_ptr<DepFileItem>& item, const std::shared_ptr<DepFileItem>& parent) {
    if (!item || parent)
        return false;
    if (checkKnowledgeRecords(item) == RecordCheck::handled)
        return true;
    const std::shared_ptr<FileItem>& file = item->getFileItem();
    if (!file || file->getNameWithExt().empty())
        return false;
    if (!isNameOfApplication(file->getNameWithExt(), m_bundleId, m_bundleName))
        return false;
    noteNameMatch(*item, file->getNameWithExt());
    m_relatedDepItems.push_back(item);
    return true;
}

// Which of the application's names the name test found in the entry's name.
void KnowledgeBaseSimpleSearchInfo::noteNameMatch(DepFileItem& item, const std::string& name) const {
    OfferReason& reason = item.reason();
    if (m_bundleId && !m_bundleId->empty() && name.find(*m_bundleId) != std::string::npos) {
        reason.match = OfferReason::Match::Identifier;
        reason.mode = name == *m_bundleId ? OfferReason::Mode::Exact : OfferReason::Mode::Substring;
        reason.matched = *m_bundleId;
    } else {
        reason.match = OfferReason::Match::Executable;
        reason.mode = OfferReason::Mode::CaseInsensitive;
        reason.matched = m_bundleName.value_or(std::string());
    }
}
