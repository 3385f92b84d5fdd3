#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/TBXML.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// A filter of a search rule, the `f` element inside a `rule`.
class KBXMLRuleFilter {
public:
    // The values of `fileType`.
    static constexpr int kAnyType = 0;
    static constexpr int kFileType = 1;
    static constexpr int kFolderType = 2;
    static constexpr int kPackageType = 3;

    static std::optional<KBXMLRuleFilter> create(const _TBXMLElement* element);

    // From `type`: "file", "folder" or "package"; any kind for anything else.
    int fileType() const;
    std::optional<std::string> name() const;
    std::optional<std::string> namePrefix() const;
    std::optional<std::string> nameSuffix() const;
    // -1 when absent.
    int deep() const;
    std::optional<bool> separate() const;
    std::optional<bool> goDeeper() const;
    std::optional<bool> isSystem() const;
    // From `domain` or `domainId`.
    std::shared_ptr<const DomainIdentifier> domainIdentifier() const;
    // The dependency group number of `group`; -1 when absent or unknown.
    std::int32_t group() const;

private:
    explicit KBXMLRuleFilter(const _TBXMLElement* element) : m_element(element) {}

    std::optional<std::string> attribute(std::string_view name) const;

    const _TBXMLElement* m_element{nullptr};
};
