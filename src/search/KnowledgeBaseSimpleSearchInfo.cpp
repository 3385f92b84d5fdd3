#include "search/KnowledgeBaseSimpleSearchInfo.h"

#include "knowledge/CustomDomainIdentifierProviderFromKnowledgeBase.h"
#include "knowledge/DomainIdentifierBuilder.h"
#include "knowledge/KnowledgeBaseData.h"
#include "knowledge/KnowledgeBasePathPolicy.h"
#include "knowledge/KnowledgeRecord.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "search/DepFileItem.h"
#include "search/FileItem.h"
#include "search/KnowledgeBaseCache.h"
#include "shell/PathsGenerator.h"

#include <algorithm>

namespace {

bool sameDomain(const std::shared_ptr<const DomainIdentifier>& a,
                const std::shared_ptr<const DomainIdentifier>& b) {
    return a && b && a->uniqueIdentifier() == b->uniqueIdentifier();
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
    : m_bundle(std::move(bundle)), m_names(ApplicationNames::forBundle(*m_bundle)) {
    m_bundleName = bundleNameForBundle(*m_bundle);
    m_bundleId = m_bundle->bundleIdentifier();
}

std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
KnowledgeBaseSimpleSearchInfo::generateForBundle(std::shared_ptr<const platform::Bundle> bundle) {
    return generateForBundle(std::move(bundle), KnowledgeBasePathSearcher());
}

std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
KnowledgeBaseSimpleSearchInfo::generateForBundle(std::shared_ptr<const platform::Bundle> bundle,
                                                 const KnowledgeBasePathSearcher& searcher,
                                                 KnowledgeBaseCache* cache) {
    if (!bundle)
        return nullptr;
    auto data = (cache ? *cache : KnowledgeBaseCache::shared()).knowledgeBase(searcher);
    if (!data)
        return nullptr;
    auto info = create(std::move(bundle));
    info->m_data = std::move(data);

    // The provider lives only as long as this call: searches running at once each ask
    // their own knowledge base, and none keeps another's alive.
    CustomDomainIdentifierProviderFromKnowledgeBase provider(info->m_data);
    info->m_domainIdentifier = DomainIdentifierBuilder::shared()->findIdentifierForBundleAt(
        info->m_bundle->bundlePath(), &provider);
    info->search();
    return info;
}

std::shared_ptr<const KnowledgeBaseData> KnowledgeBaseSimpleSearchInfo::takeData() {
    return std::move(m_data);
}

std::string KnowledgeBaseSimpleSearchInfo::bundleNameForBundle(const platform::Bundle& bundle) {
    return ApplicationNames::executableNameForBundle(bundle);
}

bool KnowledgeBaseSimpleSearchInfo::isNameOfApplication(
    const std::string& name, const std::optional<std::string>& bundleId,
    const std::optional<std::string>& bundleName) {
    return ApplicationNames(bundleId, bundleName).matchesTopLevelName(name);
}

void KnowledgeBaseSimpleSearchInfo::search() {
    auto self = shared_from_this();
    const SystemSkipList* skipList = &m_data->mutableSystemSkipList();
    const std::string& home = PathsGenerator::GetInstance().getHomeDirectory();
    for (const auto& rule : m_data->searchRules()) {
        // A folder of the Library replaced by a link would take the walk elsewhere.
        if (KnowledgeBasePathPolicy::passesThroughLink(rule->path(), home,
                                                       KnowledgeBasePathPolicy::Final::included))
            continue;
        const std::size_t firstRoot = m_rootItems.size();
        const std::size_t firstItem = m_relatedDepItems.size();
        rule->findDependenciesForSeparator(self, skipList);
        dropTreesWithoutItems(firstRoot, firstItem);
    }
    addRecordsOfApplicationDomain();
}

// The trees a rule's walk loaded are kept only when an item it took lies in them, and of
// those only the items and the folders above them: the items need their ancestors for
// their paths, nothing needs the other entries (most of a large Library folder), and all
// the walks' trees together would be the largest part of a search's memory. What lies
// below an item stays whole.
void KnowledgeBaseSimpleSearchInfo::dropTreesWithoutItems(std::size_t firstRoot,
                                                          std::size_t firstItem) {
    if (m_rootItems.size() == firstRoot)
        return;
    // Every item and every folder above one; a walk up stops where an earlier one passed.
    std::unordered_set<const FileItem*> needed;
    for (std::size_t i = firstItem; i < m_relatedDepItems.size(); ++i)
        needed.insert(m_relatedDepItems[i]->getFileItem().get());
    std::vector<std::shared_ptr<FileItem>> folders; // above an item, not items themselves
    for (std::size_t i = firstItem; i < m_relatedDepItems.size(); ++i) {
        std::shared_ptr<FileItem> parent = m_relatedDepItems[i]->getFileItem();
        while (parent && (parent = parent->getParent()) && needed.insert(parent.get()).second)
            folders.push_back(parent);
    }
    for (const auto& folder : folders)
        folder->dropChildrenExcept(
            [&needed](const FileItem& child) { return needed.contains(&child); });
    auto next = m_rootItems.begin() + static_cast<std::ptrdiff_t>(firstRoot);
    for (auto root = next; root != m_rootItems.end(); ++root) {
        if (needed.contains(root->get()))
            *next++ = std::move(*root);
    }
    m_rootItems.erase(next, m_rootItems.end());
}

// Records the record check met during the rules' walks are left out, so no path is
// taken here a second time through the same record.
void KnowledgeBaseSimpleSearchInfo::addRecordsOfApplicationDomain() {
    if (!m_domainIdentifier)
        return;
    const SystemSkipList* skipList = &m_data->mutableSystemSkipList();
    const std::string& home = PathsGenerator::GetInstance().getHomeDirectory();
    for (const auto& [name, head] : m_data->recordsByFileNames()) {
        for (const KnowledgeRecord* record = head; record; record = record->nextRecord()) {
            if (record->isSystemItem() || m_metRecords.contains(record) ||
                !belongsToApplication(*record))
                continue;
            addRecordedItems(*record, home, skipList);
        }
    }
}

// The recorded path, and entries beside it whose names differ only in case: the
// application's platform would find the one under the other's name, and where a
// case-sensitive file system holds both, both are the application's. A record whose
// folders lead through a link elsewhere is passed over.
void KnowledgeBaseSimpleSearchInfo::addRecordedItems(const KnowledgeRecord& record,
                                                     const std::string& home,
                                                     const SystemSkipList* skipList) {
    const std::string path = record.path();
    if (KnowledgeBasePathPolicy::recordRefusal(path, home) ||
        KnowledgeBasePathPolicy::passesThroughLink(path, home,
                                                   KnowledgeBasePathPolicy::Final::excluded))
        return;
    std::vector<std::string> paths{std::string(path)};
    const std::string folder = platform::Path::deletingLastComponent(path);
    const std::string name = platform::Path::lastComponent(path);
    if (auto names = platform::FileSystem::contentsOfDirectory(folder)) {
        std::sort(names->begin(), names->end());
        for (const std::string& entry : *names) {
            if (entry != name && platform::Text::caseInsensitiveEquals(entry, name))
                paths.push_back(platform::Path::appending(folder, entry));
        }
    }
    for (const std::string& found : paths) {
        if (auto item = FileItem::createTreeForPath(found, 0, skipList)) {
            auto depItem = DepFileItem::create(item, record.dependecyType());
            depItem->setReason(OfferReason::record(domainText(record)));
            m_relatedDepItems.push_back(std::move(depItem));
        }
    }
}

template <class Action>
void KnowledgeBaseSimpleSearchInfo::forEachRecordOfFile(FileItem& file, Action&& action) {
    // Most items a search asks about are unknown by name; their full paths, which take
    // a walk up the tree, are built only for names the index has.
    const auto& index = m_data->recordsByFileNames();
    const auto found = index.find(file.getNameWithExt());
    if (found == index.end())
        return;
    const std::string fullPath = file.buildFullPath();
    for (const KnowledgeRecord* record = found->second; record; record = record->nextRecord()) {
        if (!record->hasPath(fullPath))
            continue;
        // Only the application's own records are looked at again, by the record pass: a
        // search over a full Library meets thousands of others.
        if (!record->isSystemItem() && belongsToApplication(*record))
            m_metRecords.insert(record);
        action(*record);
    }
}

KnowledgeBaseSimpleSearchInfo::RecordCheck
KnowledgeBaseSimpleSearchInfo::checkKnowledgeRecords(const std::shared_ptr<DepFileItem>& item) {
    const std::shared_ptr<FileItem>& file = item->getFileItem();
    if (!file)
        return RecordCheck::notInKnowledgeBase;
    bool seen = false;
    bool system = false;
    const KnowledgeRecord* matching = nullptr;
    forEachRecordOfFile(*file, [&](const KnowledgeRecord& record) {
        seen = true;
        if (record.isSystemItem())
            system = true;
        else if (belongsToApplication(record))
            matching = &record;
    });
    if (!seen)
        return RecordCheck::notInKnowledgeBase;
    if (system || !matching)
        return RecordCheck::handled;
    item->applyKnowledgeRecord(matching);
    item->reason().match = OfferReason::Match::Domain;
    item->reason().domain = domainText(*matching);
    item->reason().listed = true;
    m_relatedDepItems.push_back(item);
    return RecordCheck::handled;
}

// A hundred thousand records share a few thousand groups, so the identifiers are
// compared once per group.
bool KnowledgeBaseSimpleSearchInfo::belongsToApplication(const KnowledgeRecord& record) {
    const KnowledgeRecordGroup* group = &record.group();
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
    const std::optional<ApplicationNames::Match> match = m_names.matchEntry(*file);
    if (!match)
        return false;
    match->applyTo(item->reason());
    m_relatedDepItems.push_back(item);
    return true;
}
