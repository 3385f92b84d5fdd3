#pragma once

#include "search/OfferReason.h"
#include "search/SearchRuleFilter.h"
#include "search/SearchRuleResult.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DepFileItem;
class FileItem;
class KBXMLRule;
class SearchRuleSeparator;
class SearchSubRule;
class SystemSkipList;

// A search rule of the knowledge base: a folder, how deep to load it, the filters that
// classify its entries and the sub-rules that start below matching entries.
//
// A rule is not changed by walking it: everything a walk needs (its separator, the
// verdict on the current entry, the folder a sub-rule walks) lives in the walk. One
// loaded knowledge base can so serve several searches at once.
class SearchRule {
public:
    // Sub-rules nested deeper than this are dropped, so a hostile document cannot
    // exhaust the stack.
    static constexpr int kMaximumNesting = 64;

    static std::shared_ptr<SearchRule> create(const KBXMLRule& rule);
    virtual ~SearchRule() = default;

    // The folder to walk; a leading "~" stands for the home folder, joined without a
    // separator ("~Foo" gives "<home>Foo"). A sub-rule walks the entry it starts at
    // instead.
    const std::string& path() const { return m_sPath; }
    std::int64_t deep() const { return m_sDeep; }
    bool isRootPath() const { return m_isRootPath; }
    const std::vector<std::shared_ptr<SearchSubRule>>& subRules() const { return m_subRules; }
    const SearchRuleResult::Filters& filters() const { return m_filters; }

    // Loads the rule's folder to the rule's depth and offers every entry that the
    // filters make a dependency item to `separator`, depth first. The folder itself is
    // not classified: its entries are at depth 1. A missing or skipped folder finds
    // nothing.
    void findDependenciesForSeparator(const std::shared_ptr<SearchRuleSeparator>& separator,
                                      const SystemSkipList* skipList) const;
    void findDependenciesForSeparator(const std::shared_ptr<SearchRuleSeparator>& separator,
                                      const std::shared_ptr<DepFileItem>& parentDepItem,
                                      const SystemSkipList* skipList) const;

protected:
    SearchRule() = default;
    void build(const KBXMLRule& rule, int nesting);

private:
    struct Frame;
    struct Walk;

    // Walks `folder` (the rule's own, or the entry a sub-rule starts at) with this
    // rule's depth and filters.
    void walkFolder(const std::string& folder,
                    const std::shared_ptr<SearchRuleSeparator>& separator,
                    const std::shared_ptr<DepFileItem>& parentDepItem,
                    const SystemSkipList* skipList) const;
    // Runs every sub-rule that starts at this entry over the entry's own folder.
    void tryStartSubSearchForFileItem(Walk& walk, const std::shared_ptr<FileItem>& item,
                                      std::int64_t deep) const;
    // Where an item the verdict classifies was found: the walk's folder and the filter.
    static OfferReason reasonFor(const Walk& walk);
    // Applies the filters to one entry and offers it to the walk's separator when they
    // make it a dependency item. Answers the parent item for the entries below it and
    // tells through `descend` whether the walk goes below it.
    std::shared_ptr<DepFileItem> classify(Walk& walk, const std::shared_ptr<FileItem>& item,
                                          std::int64_t deep,
                                          const std::shared_ptr<DepFileItem>& parentDepItem,
                                          bool& descend) const;
    // One entry at `deep` below the walk's folder: classified, then entered (its frame
    // pushed) or, when the walk does not go below it, offered to the sub-rules.
    void visit(Walk& walk, std::vector<Frame>& frames, const std::shared_ptr<FileItem>& entry,
               std::int64_t deep, const std::shared_ptr<DepFileItem>& parentDepItem) const;
    // Walks the frames to the end. Folders are entered through an explicit stack, so
    // the depth of a tree costs no call stack.
    void walk(Walk& walk, std::vector<Frame>& frames) const;

    std::string m_sPath;
    std::int64_t m_sDeep{-1};
    std::vector<std::shared_ptr<SearchSubRule>> m_subRules;
    SearchRuleResult::Filters m_filters;
    bool m_isRootPath{true};

    friend class SearchSubRule;
};

// A rule that starts below an entry of its parent rule: at depth fDeep, for an entry
// named fName (ignoring case), walking that entry's own folder.
class SearchSubRule final : public SearchRule {
public:
    // None when `fdeep` is below 1 or `fname` is missing.
    static std::shared_ptr<SearchSubRule> create(const KBXMLRule& rule, int nesting = 1);

    std::int64_t fDeep() const { return m_fDeep; }
    const std::string& fName() const { return m_fName; }
    bool canStartSubSearchForFileItem(const std::string& nameWithExt, std::int64_t deep) const;

private:
    SearchSubRule() = default;

    std::int64_t m_fDeep{1};
    std::string m_fName;
};
