#include "search/SearchRule.h"

#include "knowledge/KBXMLRule.h"
#include "knowledge/KBXMLRuleFilter.h"
#include "platform/Text.h"
#include "search/DepFileItem.h"
#include "search/FileItem.h"
#include "search/SearchRuleSeparator.h"
#include "shell/PathsGenerator.h"

#include <algorithm>
#include <limits>

// A folder whose entries are being walked. The tree does not change during a walk, so
// the iterators into the folder's children stay valid.
struct SearchRule::Frame {
    std::shared_ptr<FileItem> folder;
    FileItem::Children::const_iterator next;
    FileItem::Children::const_iterator end;
    std::int64_t deep{0};
    std::shared_ptr<DepFileItem> parentDepItem; // of the folder's entries
    bool isEntry{false}; // the folder is an entry of the walk, not the rule's own folder
};

namespace {

// The load depth for a rule's depth: negative means everything.
int loadDepth(std::int64_t deep) {
    if (deep < 0)
        return -1;
    return static_cast<int>(std::min<std::int64_t>(deep, std::numeric_limits<int>::max()));
}

} // namespace

std::shared_ptr<SearchRule> SearchRule::create(const KBXMLRule& rule) {
    std::shared_ptr<SearchRule> built(new SearchRule());
    built->build(rule, 0);
    return built;
}

void SearchRule::build(const KBXMLRule& rule, int nesting) {
    m_sDeep = rule.deep();
    m_sPath = rule.path().value_or("");
    if (m_sPath.starts_with("~")) {
        m_sPath = PathsGenerator::GetInstance().getHomeDirectory() + m_sPath.substr(1);
        m_isRootPath = false;
    }
    rule.iterateSubItemsWithSubRulesAction(
        [&](const KBXMLRule& subRule) {
            if (nesting >= kMaximumNesting)
                return;
            if (auto built = SearchSubRule::create(subRule, nesting + 1))
                m_subRules.push_back(std::move(built));
        },
        [&](const KBXMLRuleFilter& filter) {
            m_filters.push_back(std::make_shared<const SearchRuleFilter>(filter));
        });
    m_result = std::make_unique<SearchRuleResult>(m_filters);
}

std::shared_ptr<SearchSubRule> SearchSubRule::create(const KBXMLRule& rule, int nesting) {
    const int fdeep = rule.fdeep();
    auto fname = rule.fname();
    if (fdeep < 1 || !fname)
        return nullptr;
    std::shared_ptr<SearchSubRule> built(new SearchSubRule());
    built->m_fDeep = fdeep;
    built->m_fName = *fname;
    built->build(rule, nesting);
    return built;
}

bool SearchSubRule::canStartSubSearchForFileItem(const std::string& nameWithExt,
                                                 std::int64_t deep) const {
    return deep == m_fDeep && platform::Text::caseInsensitiveEquals(nameWithExt, m_fName);
}

void SearchRule::findDependenciesForSeparator(const std::shared_ptr<SearchRuleSeparator>& separator,
                                              const SystemSkipList* skipList) {
    findDependenciesForSeparator(separator, nullptr, skipList);
}

void SearchRule::findDependenciesForSeparator(const std::shared_ptr<SearchRuleSeparator>& separator,
                                              const std::shared_ptr<DepFileItem>& parentDepItem,
                                              const SystemSkipList* skipList) {
    // A relative folder would be read against whatever the working folder happens to be.
    if (!separator || !path().starts_with('/'))
        return;
    m_separator.store(separator);
    if (auto root = FileItem::createTreeForPath(path(), loadDepth(m_sDeep), skipList)) {
        separator->saveFileItemsTree(root);
        enumerateFolder(root, 0, parentDepItem, skipList);
    }
    m_separator.store(nullptr);
}

void SearchRule::enumerateFolder(const std::shared_ptr<FileItem>& folder, std::int64_t deep,
                                 const std::shared_ptr<DepFileItem>& parentDepItem,
                                 const SystemSkipList* skipList) {
    if (!folder || !folder->getChildren() || folder->getChildren()->empty())
        return;
    std::vector<Frame> frames;
    frames.push_back({folder, folder->getChildren()->begin(), folder->getChildren()->end(), deep,
                      parentDepItem, false});
    walk(frames, skipList);
}

void SearchRule::processFileItem(const std::shared_ptr<FileItem>& item, std::int64_t deep,
                                 const std::shared_ptr<DepFileItem>& parentDepItem,
                                 const SystemSkipList* skipList) {
    if (!item)
        return;
    bool descend = false;
    auto separator = m_separator.load();
    auto parentBelow = classify(separator.get(), item, deep, parentDepItem, descend);
    const FileItem::Children* children = item->getChildren();
    if (descend && children && !children->empty()) {
        std::vector<Frame> frames;
        frames.push_back({item, children->begin(), children->end(), deep, parentBelow, true});
        walk(frames, skipList);
        return;
    }
    tryStartSubSearchForFileItem(item, deep, parentBelow, skipList);
}

// The sub-search starts without a parent item, whatever the entry's parent item is.
void SearchRule::tryStartSubSearchForFileItem(const std::shared_ptr<FileItem>& item,
                                              std::int64_t deep,
                                              const std::shared_ptr<DepFileItem>& /*parentDepItem*/,
                                              const SystemSkipList* skipList) {
    if (!item || m_subRules.empty())
        return;
    auto separator = m_separator.load();
    for (const auto& subRule : m_subRules) {
        if (!subRule->canStartSubSearchForFileItem(item->getNameWithExt(), deep))
            continue;
        subRule->setRulePath(item->buildFullPath());
        subRule->findDependenciesForSeparator(separator, skipList);
    }
}

std::shared_ptr<DepFileItem> SearchRule::classify(SearchRuleSeparator* separator,
                                                  const std::shared_ptr<FileItem>& item,
                                                  std::int64_t deep,
                                                  const std::shared_ptr<DepFileItem>& parentDepItem,
                                                  bool& descend) {
    SearchRuleResult& verdict = *m_result;
    verdict.updateForFileItem(*item, deep);
    descend = verdict.goDeeper() && item->isDir();
    if (!separator || !verdict.separate() || verdict.group() == -1)
        return parentDepItem;
    auto depItem = DepFileItem::create(item, verdict.group());
    depItem->setReason(reasonFor(verdict));
    bool accepted = false;
    if (verdict.isSystemItem())
        accepted = separator->addSystemDepItem(depItem);
    else if (verdict.domainIdentifier())
        accepted = separator->addDepItemToDomainIdentifier(depItem, verdict.domainIdentifier());
    else
        accepted = separator->addDepItemWithParentDepItem(depItem, parentDepItem);
    return accepted ? depItem : parentDepItem;
}

OfferReason SearchRule::reasonFor(const SearchRuleResult& verdict) const {
    OfferReason reason;
    reason.source = OfferReason::Source::Rule;
    reason.folder = path();
    if (const SearchRuleFilter* filter = verdict.groupFilter()) {
        reason.filterName = filter->name.value_or(std::string());
        reason.filterPrefix = filter->namePrefix.value_or(std::string());
        reason.filterSuffix = filter->nameSuffix.value_or(std::string());
    }
    if (const auto& domain = verdict.domainIdentifier()) {
        reason.match = OfferReason::Match::Domain;
        reason.domain = domain->uniqueIdentifier();
    }
    return reason;
}

void SearchRule::walk(std::vector<Frame>& frames, const SystemSkipList* skipList) {
    const auto separator = m_separator.load();
    while (!frames.empty()) {
        Frame& top = frames.back();
        if (top.next == top.end) {
            // A folder's sub-searches start once its whole subtree has been walked.
            Frame finished = std::move(top);
            frames.pop_back();
            if (finished.isEntry)
                tryStartSubSearchForFileItem(finished.folder, finished.deep, finished.parentDepItem,
                                             skipList);
            continue;
        }
        std::shared_ptr<FileItem> entry = (top.next++)->second;
        const std::int64_t deep = top.deep + 1;
        bool descend = false;
        auto parentBelow = classify(separator.get(), entry, deep, top.parentDepItem, descend);
        const FileItem::Children* children = entry->getChildren();
        if (descend && children && !children->empty()) {
            frames.push_back(
                {entry, children->begin(), children->end(), deep, std::move(parentBelow), true});
            continue;
        }
        tryStartSubSearchForFileItem(entry, deep, parentBelow, skipList);
    }
}
