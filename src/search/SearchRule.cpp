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

// What one walk of one rule changes as it goes. Two searches walking the same rule at
// once each have their own.
struct SearchRule::Walk {
    const std::shared_ptr<SearchRuleSeparator>& separator;
    const std::string& folder;
    const SystemSkipList* skipList;
    SearchRuleResult verdict; // of the entry being classified
    // The loaded tree, which the separator hears of before the first item offered in it.
    std::shared_ptr<FileItem> root{};
    bool rootSaved{false};
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
                                              const SystemSkipList* skipList) const {
    findDependenciesForSeparator(separator, nullptr, skipList);
}

void SearchRule::findDependenciesForSeparator(const std::shared_ptr<SearchRuleSeparator>& separator,
                                              const std::shared_ptr<DepFileItem>& parentDepItem,
                                              const SystemSkipList* skipList) const {
    walkFolder(path(), separator, parentDepItem, skipList);
}

void SearchRule::walkFolder(const std::string& folder,
                            const std::shared_ptr<SearchRuleSeparator>& separator,
                            const std::shared_ptr<DepFileItem>& parentDepItem,
                            const SystemSkipList* skipList) const {
    // A relative folder would be read against whatever the working folder happens to be.
    if (!separator || !folder.starts_with('/'))
        return;
    Walk state{separator, folder, skipList, SearchRuleResult(m_filters)};
    std::vector<Frame> frames;
    const std::size_t keptBefore = separator->keptItemCount();
    const auto nothing = [](const FileItem&) { return false; };
    // Each entry of the folder is walked as soon as it is loaded with everything below
    // it, and let go with everything below it unless the separator took something
    // there: not even the entries of a large Library folder are held at once. What is
    // kept is what the search keeps of the tree in the end anyway.
    auto root = FileItem::createTreeForPath(folder, loadDepth(m_sDeep), skipList,
                                            [&](const std::shared_ptr<FileItem>& entry) {
                                                if (!state.root)
                                                    state.root = entry->getParent();
                                                const std::size_t kept = separator->keptItemCount();
                                                visit(state, frames, entry, 1, parentDepItem);
                                                walk(state, frames);
                                                if (separator->keptItemCount() != kept)
                                                    return;
                                                if (const auto folderItem = entry->getParent())
                                                    folderItem->dropChild(entry->getNameWithExt());
                                            });
    // A walk that kept nothing (as most sub-rules' walks, one for each entry they start
    // at) leaves the separator no more than its folder, and one offered nothing not even
    // that.
    if (root && separator->keptItemCount() == keptBefore)
        root->dropChildrenExcept(nothing);
}

// The sub-search starts without a parent item, whatever the entry's parent item is.
void SearchRule::tryStartSubSearchForFileItem(Walk& walk, const std::shared_ptr<FileItem>& item,
                                              std::int64_t deep) const {
    if (!item || m_subRules.empty())
        return;
    for (const auto& subRule : m_subRules) {
        if (subRule->canStartSubSearchForFileItem(item->getNameWithExt(), deep))
            subRule->walkFolder(item->buildFullPath(), walk.separator, nullptr, walk.skipList);
    }
}

std::shared_ptr<DepFileItem> SearchRule::classify(Walk& walk, const std::shared_ptr<FileItem>& item,
                                                  std::int64_t deep,
                                                  const std::shared_ptr<DepFileItem>& parentDepItem,
                                                  bool& descend) const {
    SearchRuleResult& verdict = walk.verdict;
    verdict.updateForFileItem(*item, deep);
    descend = verdict.goDeeper() && item->isDir();
    if (!verdict.separate() || verdict.group() == -1)
        return parentDepItem;
    SearchRuleSeparator* separator = walk.separator.get();
    if (!walk.rootSaved) {
        walk.rootSaved = true;
        separator->saveFileItemsTree(walk.root);
    }
    auto depItem = DepFileItem::create(item, verdict.group());
    depItem->setReason(reasonFor(walk));
    bool accepted = false;
    if (verdict.isSystemItem())
        accepted = separator->addSystemDepItem(depItem);
    else if (verdict.domainIdentifier())
        accepted = separator->addDepItemToDomainIdentifier(depItem, verdict.domainIdentifier());
    else
        accepted = separator->addDepItemWithParentDepItem(depItem, parentDepItem);
    return accepted ? depItem : parentDepItem;
}

OfferReason SearchRule::reasonFor(const Walk& walk) {
    const SearchRuleResult& verdict = walk.verdict;
    OfferReason reason;
    reason.source = OfferReason::Source::Rule;
    reason.folder = walk.folder;
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

void SearchRule::walk(Walk& state, std::vector<Frame>& frames) const {
    while (!frames.empty()) {
        Frame& top = frames.back();
        if (top.next == top.end) {
            // A folder's sub-searches start once its whole subtree has been walked.
            Frame finished = std::move(top);
            frames.pop_back();
            if (finished.isEntry)
                tryStartSubSearchForFileItem(state, finished.folder, finished.deep);
            continue;
        }
        std::shared_ptr<FileItem> entry = (top.next++)->second;
        visit(state, frames, entry, top.deep + 1, top.parentDepItem);
    }
}

// `parentDepItem` may lie in a frame: it is not read once a frame is pushed.
void SearchRule::visit(Walk& state, std::vector<Frame>& frames,
                       const std::shared_ptr<FileItem>& entry, std::int64_t deep,
                       const std::shared_ptr<DepFileItem>& parentDepItem) const {
    bool descend = false;
    auto parentBelow = classify(state, entry, deep, parentDepItem, descend);
    const FileItem::Children* children = entry->getChildren();
    if (descend && children && !children->empty()) {
        frames.push_back(
            {entry, children->begin(), children->end(), deep, std::move(parentBelow), true});
        return;
    }
    tryStartSubSearchForFileItem(state, entry, deep);
}
