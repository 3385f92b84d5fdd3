#pragma once

#include "search/SearchRuleFilter.h"
#include "search/SearchRuleResult.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class KBXMLRule;
class SearchSubRule;

// A search rule of the knowledge base: a folder, how deep to load it, the filters that
// classify its entries and the sub-rules that start below matching entries.
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

protected:
    SearchRule() = default;
    void build(const KBXMLRule& rule, int nesting);

private:
    std::string m_sPath;
    std::int64_t m_sDeep{-1};
    std::vector<std::shared_ptr<SearchSubRule>> m_subRules;
    SearchRuleResult::Filters m_filters;
    std::unique_ptr<SearchRuleResult> m_result;
    bool m_isRootPath{true};

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
