#pragma once

#include <string>

// One exclusion announced by the main application: names that begin with
// `prefix` are ignored in the Trash. Two excluders are the same only when they
// are the same object.
class NameExcluder {
public:
    explicit NameExcluder(std::string prefix) : m_prefix(std::move(prefix)) {}

    const std::string& prefix() const { return m_prefix; }
    void setPrefix(std::string prefix) { m_prefix = std::move(prefix); }

    // A literal, case-sensitive prefix test: no normalisation, no path logic. An empty
    // prefix excludes nothing: it would otherwise silence every application.
    bool isExcludedName(const std::string& name) const {
        return !m_prefix.empty() && name.starts_with(m_prefix);
    }

private:
    std::string m_prefix;
};
