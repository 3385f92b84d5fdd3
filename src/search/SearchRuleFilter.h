#pragma once

#include "knowledge/DomainIdentifier.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class KBXMLRuleFilter;

// One `f` of a search rule: which entries it matches (depth, kind, name) and what it
// says about them. Every override is optional; an unset one keeps the current value.
class SearchRuleFilter {
public:
    static constexpr std::uint64_t kAnyType = 0;
    static constexpr std::uint64_t kFileType = 1;
    static constexpr std::uint64_t kFolderType = 2;
    static constexpr std::uint64_t kPackageType = 3;

    explicit SearchRuleFilter(const KBXMLRuleFilter& filter);

    bool overrideSeparate(bool current) const { return separate.value_or(current); }
    bool overrideGoDeeper(bool current) const { return goDeeper.value_or(current); }
    bool overrideIsSystemItem(bool current) const { return isSystemItem.value_or(current); }
    std::int32_t overrideGroup(std::int32_t current) const { return group == -1 ? current : group; }
    std::shared_ptr<const DomainIdentifier>
    overrideDomainIdentifier(std::shared_ptr<const DomainIdentifier> current) const {
        return domainIdentifier ? domainIdentifier : current;
    }

    std::optional<bool> separate;
    std::optional<bool> goDeeper;
    std::shared_ptr<const DomainIdentifier> domainIdentifier;
    std::int32_t group{-1};
    std::optional<bool> isSystemItem;
    std::int64_t deep{-1};
    std::uint64_t type{kAnyType};
    std::optional<std::string> name;
    std::optional<std::string> namePrefix;
    std::optional<std::string> nameSuffix;
};
