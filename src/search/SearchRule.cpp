#include "search/SearchRule.h"

#include "knowledge/KBXMLRule.h"
#include "knowledge/KBXMLRuleFilter.h"
#include "platform/Text.h"
#include "shell/PathsGenerator.h"

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
