#include "knowledge/KnowledgeRecordRemovalScripts.h"

#include "platform/Regex.h"

KnowledgeRecordRemovalScripts::KnowledgeRecordRemovalScripts(
    const KBXMLScriptsContainer& container) {
    container.iterateScripts([this](const KBXMLScript& script) {
        m_scripts.push_back(std::make_shared<const CustomRemovalScript>(
            script.scriptContent(), script.versionRegexp(), script.usesAdminPrivileges()));
    });
}

std::shared_ptr<const CustomRemovalScript>
KnowledgeRecordRemovalScripts::scriptForVersion(const std::optional<std::string>& version) const {
    std::shared_ptr<const CustomRemovalScript> fallback;
    for (const auto& script : m_scripts) {
        if (!script->version()) {
            if (!version)
                return script;
            fallback = script;
            continue;
        }
        if (!version)
            continue;
        auto expression = platform::Regex::create(*script->version());
        if (expression && expression->search(*version))
            return script;
    }
    return fallback;
}
