#include "knowledge/KBXMLFileGroup.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLFileGroup> KBXMLFileGroup::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "g"))
        return std::nullopt;
    return KBXMLFileGroup(element);
}

std::optional<std::string> KBXMLFileGroup::groupName() const {
    const std::optional<std::string_view> name = groupNameView();
    return name ? std::optional<std::string>(std::in_place, *name) : std::nullopt;
}

std::optional<std::string_view> KBXMLFileGroup::groupNameView() const {
    auto name = TBXML::valueViewOfAttributeNamed("v", m_element);
    if (name && name->empty())
        return std::nullopt;
    return name;
}

bool KBXMLFileGroup::isSystem() const {
    return groupName() == "system";
}

std::int32_t KBXMLFileGroup::dependencyType() const {
    return KBXMLCommon::convertToAppDependencyGroupFromGroupValue(groupName());
}

void KBXMLFileGroup::iterateFiles(const std::function<void(const KBXMLFile&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLFile>(m_element, action);
}
