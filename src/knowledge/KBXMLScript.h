#pragma once

#include "knowledge/TBXML.h"

#include <optional>
#include <string>

// One removal script, a `script` element.
class KBXMLScript {
public:
    static std::optional<KBXMLScript> create(const _TBXMLElement* element);

    // The text with every "&amp;" turned into "&" in one pass; the reader decodes no
    // entity, and scripts are the one place where the document escapes ampersands.
    const std::string& scriptContent() const { return m_scriptContent; }
    // A regular expression over the application version; none means any version.
    const std::optional<std::string>& versionRegexp() const { return m_versionRegexp; }
    // `useAdminPrivileges` is exactly "true".
    bool usesAdminPrivileges() const { return m_usesAdminPrivileges; }

private:
    KBXMLScript(std::string scriptContent, std::optional<std::string> versionRegexp,
                bool usesAdminPrivileges);

    std::string m_scriptContent;
    std::optional<std::string> m_versionRegexp;
    bool m_usesAdminPrivileges{false};
};
