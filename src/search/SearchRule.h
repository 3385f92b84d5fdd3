#pragma once

#include "search/OfferReason.h"
#include "search/SearchRuleFilter.h"
#include "search/SearchRuleResult.h"

#include <atomic>
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
// A rule keeps the state of one walk (its separator and its scratch result), so one
// rule must not be walked by two threads at a time; each search loads its own rules.
class SearchRule {
public:
    // Sub-rules nested deeper than this are dropped, so a hostile document cannot
    // exhaust the stack.
    static constexpr int kMaximumNesting = 64;

    static std::shared_ptr<SearchRule> create(const KBXMLRule& rule);
    virtual ~SearchRule() = default;

    // The folder to walk; a leading "~" stands for the home folder, joined without a
    // separator ("~Foo" gives "<home>Foo").
    virtual const std::string& path() const { return m_sPath; }
    std::int64_t deep() const { return m_sDeep; }
    bool isRootPath() const { return m_isRootPath; }
    const std::vector<std::shared_ptr<SearchSubRule>>& subRules() const { return m_subRules; }
    const SearchRuleResult::Filters& filters() const { return m_filters; }
    SearchRuleResult& result() { return *m_result; }

    // Loads the rule's folder to the rule's depth and offers every entry that the
    // filters make a dependency item to `separator`, depth first. The folder itself is
    // not classified: its entries are at depth 1. A missing or skipped folder finds
    // nothing.
    void findDependenciesForSeparator(const std::shared_ptr<SearchRuleSeparator>& separator,
                                      const SystemSkipList* skipList);
    void findDependenciesForSeparator(const std::shared_ptr<SearchRuleSeparator>& separator,
                                      const std::shared_ptr<DepFileItem>& parentDepItem,
                                      const SystemSkipList* skipList);

    // The steps of a walk; they offer items to the separator of the walk in progress.
    // Every entry of `folder`, at depth `deep` + 1.
    void enumerateFolder(const std::shared_ptr<FileItem>& folder, std::int64_t deep,
                         const std::shared_ptr<DepFileItem>& parentDepItem,
                         const SystemSkipList* skipList);
    // One entry at depth `deep`: its verdict, then its subtree, then its sub-searches.
    void processFileItem(const std::shared_ptr<FileItem>& item, std::int64_t deep,
                         const std::shared_ptr<DepFileItem>& parentDepItem,
                         const SystemSkipList* skipList);
    // Runs every sub-rule that starts at this entry over the entry's own folder.
    void tryStartSubSearchForFileItem(const std::shared_ptr<FileItem>& item, std::int64_t deep,
                                      const std::shared_ptr<DepFileItem>& parentDepItem,
                                      const SystemSkipList* skipList);

    // Set only while a walk runs.
    std::shared_ptr<SearchRuleSeparator> separator() const { return m_separator.load(); }

protected:
    SearchRule() = default;
    void build(const KBXMLRule& rule, int nesting);

private:
    struct Frame;

    // Applies the filters to one entry and offers it to `separator` when they make it
    // a dependency item. Answers the parent item for the entries below it and tells
    // through `descend` whether the walk goes below it.
    // Where an item the verdict classifies was found: this rule's folder and filter.
    OfferReason reasonFor(const SearchRuleResult& verdict) const;
    std::shared_ptr<DepFileItem> classify(SearchRuleSeparator* separator,
                                          const std::shared_ptr<FileItem>& item, std::int64_t deep,
                                          const std::shared_ptr<DepFileItem>& parentDepItem,
                                          bool& descend);
    // Walks the frames to the end. Folders are entered through an explicit stack, so
    // the depth of a tree costs no call stack.
    void walk(std::vector<Frame>& frames, const SystemSkipList* skipList);

    std::string m_sPath;
    std::int64_t m_sDeep{-1};
    std::vector<std::shared_ptr<SearchSubRule>> m_subRules;
    SearchRuleResult::Filters m_filters;
    std::unique_ptr<SearchRuleResult> m_result;
    bool m_isRootPath{true};
    std::atomic<std::shared_ptr<SearchRuleSeparator>> m_separator;

    friend class SearchSubRule;
};

// A rule that starts below an entry of its parent rule: at depth fDeep, for an entry
// named fName (ignoring case), walking that entry's own folder.
class SearchSubRule final : public SearchRule {
public:
    // None when `fdeep` is below 1 or `fname` is missing.
    static std::shared_ptr<SearchSubRule> create(const KBXMLRule& rule, int nesting = 1);

    const std::string& path() const override { return m_rulePath; }
    std::int64_t fDeep() const { return m_fDeep; }
    const std::string& fName() const { return m_fName; }
    void setRulePath(std::string path) { m_rulePath = std::move(path); }
    bool canStartSubSearchForFileItem(const std::string& nameWithExt, std::int64_t deep) const;

private:
    SearchSubRule() = default;

    std::int64_t m_fDeep{1};
    std::string m_fName;
    std::string m_rulePath;
};
