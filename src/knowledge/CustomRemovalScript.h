#pragma once

#include <optional>
#include <string>

// One removal script of a domain.
class CustomRemovalScript {
public:
    CustomRemovalScript(std::string content, std::optional<std::string> version,
                        bool usesPrivileges)
        : m_content(std::move(content)), m_version(std::move(version)),
          m_usesPrivileges(usesPrivileges) {}

    // The script text, with "&amp;" already turned into "&".
    const std::string& content() const { return m_content; }
    // A regular expression searched for in the application version; none means any.
    const std::optional<std::string>& version() const { return m_version; }
    // The script must run with administrator privileges.
    bool usesPrivileges() const { return m_usesPrivileges; }

private:
    std::string m_content;
    std::optional<std::string> m_version;
    bool m_usesPrivileges{false};
};
