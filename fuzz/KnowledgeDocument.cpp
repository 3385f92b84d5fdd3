// Reads arbitrary bytes as a knowledge-base document through every wrapper, and as a
// custom domain rule, checking what must hold whatever the input.
#include "CustomDomainRuleCheck.h"
#include "knowledge/CDValidator.h"
#include "knowledge/KBExtensionSkipItem.h"
#include "knowledge/KBSeparators.h"
#include "knowledge/KBXMLDocument.h"
#include "knowledge/KnowledgeRecordCustomDomainDefinition.h"
#include "knowledge/KnowledgeRecordRemovalScripts.h"
#include "knowledge/MutableExtensionsSkipList.h"
#include "platform/Json.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using namespace fuzz_support;

namespace {

const platform::PlistValue& infoPlist() {
    static const platform::PlistValue info = *platform::Json::parse(
        R"({"CFBundleName": "Foo Tool", "CFBundleVersion": "1.2", "Count": 3, "Ratio": 0.5,
            "Flag": true, "Types": ["public.text", "com.foo.doc", 7], "Nested": {"Key": [[]]}})");
    return info;
}

void readRules(const KBXMLRules& rules) {
    // Rules nest without limit, so the walk keeps its own stack.
    std::vector<KBXMLRule> pending;
    rules.iterateRules([&](const KBXMLRule& rule) { pending.push_back(rule); });
    while (!pending.empty()) {
        KBXMLRule rule = pending.back();
        pending.pop_back();
        rule.path();
        rule.fname();
        rule.deep();
        rule.fdeep();
        rule.iterateSubItemsWithSubRulesAction(
            [&](const KBXMLRule& sub) { pending.push_back(sub); },
            [](const KBXMLRuleFilter& filter) {
                require(filter.fileType() >= 0 && filter.fileType() <= 3);
                require(filter.group() >= -1 && filter.group() <= 17);
                filter.name();
                filter.namePrefix();
                filter.nameSuffix();
                filter.deep();
                filter.separate();
                filter.goDeeper();
                filter.isSystem();
                filter.domainIdentifier();
            });
    }
}

void readDomains(KBXMLDocument& document) {
    if (const auto* domains = document.domains()) {
        domains->iterateDomains([](const KBXMLDomain& domain) {
            domain.domain();
            domain.isSystem();
            domain.isSeparateApp();
            require(domain.isCommonDomain() != false);
            domain.parentDomain();
            domain.iterateGroups([](const KBXMLFileGroup& group) {
                require(!group.isSystem() || group.dependencyType() == -1);
                require(group.groupName() != "");
                group.iterateFiles([](const KBXMLFile& file) { require(file.path() != ""); });
            });
        });
    }
    if (const auto* groups = document.domainGroups()) {
        groups->iterateDomainGroups([](const KBXMLDomainGroup& group) {
            require(group.domainId() != nullptr);
            group.iterateOverSubdomains(
                [](const KBXMLSubdomain& member) { require(member.domainId() != nullptr); });
        });
    }
    if (const auto* custom = document.customDomains()) {
        custom->iterateOverCustomDomains([](const KBXMLCustomDomainDefinition& definition) {
            auto record = KnowledgeRecordCustomDomainDefinition::create(definition.domainId(),
                                                                        definition.rawJSON());
            if (record)
                checkRule(infoPlist(), record->test());
        });
    }
}

void readLists(KBXMLDocument& document) {
    if (const auto* scripts = document.customScripts()) {
        scripts->iterateBundleScripts([](const KBXMLBundleScripts& bundle) {
            require(bundle.preremovalScripts() || bundle.postremovalScripts());
            for (const auto& container :
                 {bundle.preremovalScripts(), bundle.postremovalScripts()}) {
                if (!container)
                    continue;
                KnowledgeRecordRemovalScripts record(*container);
                auto any = record.scriptForVersion(std::nullopt);
                require(!any || !any->version());
                record.scriptForVersion("1.2.3");
            }
        });
    }
    if (const auto* skipList = document.systemSkipList()) {
        for (const auto& item : skipList->items())
            item.path();
    }
    if (const auto* extensions = document.extensionsSkipList()) {
        MutableExtensionsSkipList list;
        std::vector<KBExtensionSkipItem> items;
        for (const auto& xmlItem : extensions->items()) {
            items.emplace_back(xmlItem);
            list.addItem(items.back());
        }
        // Every stored item matches itself.
        for (const auto& item : items)
            require(list.contains(item));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    if (auto document = KBXMLDocument::create(text)) {
        if (const auto* rules = document->rules())
            readRules(*rules);
        KBSeparators separators(document->separators());
        for (const auto& [type, separator] : separators.separators()) {
            for (const auto& identifier : separator->domainIdentifiers())
                require(separator->setOfRecordsForDomainIdentifier(identifier.get()) != nullptr);
        }
        readDomains(*document);
        readLists(*document);
    }

    if (auto rule = platform::Json::parse(text)) {
        checkRule(infoPlist(), *rule);
        checkRule(*rule, *rule);
    }
    return 0;
}
