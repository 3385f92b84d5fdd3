#pragma once

#include "search/SearchRuleFilter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class FileItem;

// The verdict of a rule's filters on one entry. A rule keeps one and reuses it for
// every entry it looks at, so it is only valid until the next entry.
class SearchRuleResult {
public:
    using Filters = std::vector<std::shared_ptr<const SearchRuleFilter>>;

    explicit SearchRuleResult(Filters filters) : m_filters(std::move(filters)) {}

    void clearResult();
    // Resets the outcome, takes the entry's name and flags and applies the filters.
    void updateForFileItem(const FileItem& item, std::int64_t deep);
    void setEntry(std::string name, bool isDir, bool isPackage, bool isBackup, std::int64_t deep);
    void applyFilters();
    void applyFilter(const SearchRuleFilter& filter);

    bool separate() const { return m_separate; }
    bool goDeeper() const { return m_goDeeper; }
    bool isSystemItem() const { return m_isSystemItem; }
    std::int32_t group() const { return m_group; }
    // The last matching filter that set the group: the one the item is found by.
    const SearchRuleFilter* groupFilter() const { return m_groupFilter; }
    const std::shared_ptr<const DomainIdentifier>& domainIdentifier() const {
        return m_domainIdentifier;
    }

private:
    bool matches(const SearchRuleFilter& filter) const;

    Filters m_filters;
    std::string m_name;
    bool m_isDir{false};
    bool m_isPackage{false};
    bool m_isBackup{false};
    std::int64_t m_deep{0};
    bool m_separate{true};
    bool m_goDeeper{true};
    bool m_isSystemItem{false};
    std::int32_t m_group{-1};
    const SearchRuleFilter* m_groupFilter{nullptr};
    std::shared_ptr<const DomainIdentifier> m_domainIdentifier;
};
