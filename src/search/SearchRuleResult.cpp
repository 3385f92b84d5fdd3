#include "search/SearchRuleResult.h"

#include "platform/Text.h"
#include "search/FileItem.h"

void SearchRuleResult::clearResult() {
    m_separate = true;
    m_goDeeper = true;
    m_isSystemItem = false;
    m_group = -1;
    m_groupFilter = nullptr;
    m_domainIdentifier = nullptr;
}

void SearchRuleResult::updateForFileItem(const FileItem& item, std::int64_t deep) {
    setEntry(item.getNameWithExt(), item.isDir(), item.isPackage(), item.isBackup(), deep);
}

void SearchRuleResult::setEntry(std::string name, bool isDir, bool isPackage, bool isBackup,
                                std::int64_t deep) {
    clearResult();
    m_name = std::move(name);
    m_isDir = isDir;
    m_isPackage = isPackage;
    m_isBackup = isBackup;
    m_deep = deep;
    applyFilters();
}

void SearchRuleResult::applyFilters() {
    for (const auto& filter : m_filters)
        applyFilter(*filter);
}

void SearchRuleResult::applyFilter(const SearchRuleFilter& filter) {
    if (!matches(filter))
        return;
    m_separate = filter.overrideSeparate(m_separate);
    m_goDeeper = filter.overrideGoDeeper(m_goDeeper);
    m_isSystemItem = filter.overrideIsSystemItem(m_isSystemItem);
    m_domainIdentifier = filter.overrideDomainIdentifier(m_domainIdentifier);
    m_group = filter.overrideGroup(m_group);
    if (filter.group != -1)
        m_groupFilter = &filter;
}

bool SearchRuleResult::matches(const SearchRuleFilter& filter) const {
    if (filter.deep >= 0 && filter.deep != m_deep)
        return false;
    switch (filter.type) {
    case SearchRuleFilter::kPackageType:
        if (!(m_isDir && m_isPackage))
            return false;
        break;
    case SearchRuleFilter::kFolderType:
        if (!m_isDir || m_isPackage || m_isBackup)
            return false;
        break;
    case SearchRuleFilter::kFileType:
        if (m_isDir)
            return false;
        break;
    default:
        break;
    }
    if (m_name.empty())
        return true;
    // Names compare as a case-insensitive file system would: "Foo.PLIST" is a ".plist".
    if (filter.name && !platform::Text::caseInsensitiveEquals(m_name, *filter.name))
        return false;
    // An empty prefix or suffix is held by every name.
    if (filter.namePrefix && !filter.namePrefix->empty() &&
        !platform::Text::caseInsensitiveHasPrefix(m_name, *filter.namePrefix))
        return false;
    if (filter.nameSuffix && !filter.nameSuffix->empty() &&
        !platform::Text::caseInsensitiveHasSuffix(m_name, *filter.nameSuffix))
        return false;
    return true;
}
