#pragma once

#include "knowledge/CustomRemovalScript.h"
#include "knowledge/KBXMLScriptsContainer.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The removal scripts of one kind (pre- or post-removal) for one domain, in document
// order.
class KnowledgeRecordRemovalScripts {
public:
    explicit KnowledgeRecordRemovalScripts(const KBXMLScriptsContainer& container);
    explicit KnowledgeRecordRemovalScripts(
        std::vector<std::shared_ptr<const CustomRemovalScript>> scripts)
        : m_scripts(std::move(scripts)) {}

    const std::vector<std::shared_ptr<const CustomRemovalScript>>& scripts() const {
        return m_scripts;
    }

    // The script for an application version. A script whose expression is found in the
    // version wins at once; otherwise the last script without an expression. With no
    // version, the first script without an expression. An expression that does not
    // compile matches nothing.
    std::shared_ptr<const CustomRemovalScript>
    scriptForVersion(const std::optional<std::string>& version) const;

private:
    std::vector<std::shared_ptr<const CustomRemovalScript>> m_scripts;
};
