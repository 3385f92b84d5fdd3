#pragma once

#include "knowledge/TBXML.h"

#include <optional>
#include <string>

// One description of a system extension, an `item` element of `extensionsSkipList`.
class KBXMLExtensionsSkipListItem {
public:
    // None when `group` is absent.
    static std::optional<KBXMLExtensionsSkipListItem> create(const _TBXMLElement* element);

    const std::string& groupID() const { return m_groupID; }
    const std::optional<std::string>& name() const { return m_name; }
    const std::optional<std::string>& path() const { return m_path; }
    const std::optional<std::string>& bundleID() const { return m_bundleID; }
    const std::optional<std::string>& mainAppPath() const { return m_mainAppPath; }
    // From `browserExtID`.
    const std::optional<std::string>& browserExtensionID() const { return m_browserExtensionID; }

private:
    KBXMLExtensionsSkipListItem() = default;

    std::string m_groupID;
    std::optional<std::string> m_name;
    std::optional<std::string> m_path;
    std::optional<std::string> m_bundleID;
    std::optional<std::string> m_mainAppPath;
    std::optional<std::string> m_browserExtensionID;
};
