#include "knowledge/KBSourceCheck.h"

#include "knowledge/DomainIdentifier.h"
#include "knowledge/KBXMLDocument.h"
#include "knowledge/KBXMLDomain.h"
#include "knowledge/KBXMLDomains.h"
#include "knowledge/KBXMLFile.h"
#include "knowledge/KBXMLFileGroup.h"
#include "knowledge/KBXMLRule.h"
#include "knowledge/KBXMLRules.h"
#include "knowledge/KnowledgeBasePathPolicy.h"

namespace {

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

} // namespace

std::vector<KBSourceCheck::Refusal> KBSourceCheck::refusals(KBXMLDocument& document) {
    std::vector<Refusal> found;
    if (const KBXMLRules* rules = document.rules()) {
        rules->iterateRules([&](const KBXMLRule& rule) {
            const std::string path = rule.path().value_or("");
            if (auto reason = KnowledgeBasePathPolicy::writtenRuleRefusal(path, rule.deep()))
                found.push_back({"rule " + quoted(path), *reason});
        });
    }
    const KBXMLDomains* domains = document.domains();
    if (!domains)
        return found;
    domains->iterateDomains([&](const KBXMLDomain& domain) {
        const auto identifier = domain.domain();
        if (!identifier)
            return;
        domain.iterateGroups([&](const KBXMLFileGroup& group) {
            const bool system = group.isSystem();
            group.iterateFiles([&](const KBXMLFile& file) {
                const std::string_view path = file.pathView();
                if (path.empty())
                    return;
                auto reason = system ? KnowledgeBasePathPolicy::systemRecordRefusal(path)
                                     : KnowledgeBasePathPolicy::writtenRecordRefusal(path);
                if (reason)
                    found.push_back(
                        {"record " + quoted(path) + " of " + identifier->uniqueIdentifier(),
                         *reason});
            });
        });
    });
    return found;
}
