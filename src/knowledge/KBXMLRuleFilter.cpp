#include "knowledge/KBXMLRuleFilter.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLRuleFilter> KBXMLRuleFilter::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "f"))
        return std::nullopt;
    return KBXMLRuleFilter(element);
}

std::optional<std::string> KBXMLRuleFilter::attribute(std::string_view name) const {
    return TBXML::valueOfAttributeNamed(name, m_element);
}

int KBXMLRuleFilter::fileType() const {
    auto type = attribute("type");
    if (type == "file")
        return kFileType;
    if (type == "folder")
        return kFolderType;
    if (type == "package")
        return kPackageType;
    return kAnyType;
}

std::optional<std::string> KBXMLRuleFilter::name() const {
    return attribute("name");
}

std::optional<std::string> KBXMLRuleFilter::namePrefix() const {
    return attribute("namePrefix");
}

std::optional<std::string> KBXMLRuleFilter::nameSuffix() const {
    return attribute("nameSuffix");
}

int KBXMLRuleFilter::deep() const {
    return KBXMLCommon::integerValue(attribute("deep"));
}

std::optional<bool> KBXMLRuleFilter::separate() const {
    return KBXMLCommon::yesOnlyFlag(attribute("separate"));
}

std::optional<bool> KBXMLRuleFilter::goDeeper() const {
    return KBXMLCommon::yesOnlyFlag(attribute("goDeeper"));
}

std::optional<bool> KBXMLRuleFilter::isSystem() const {
    return KBXMLCommon::yesOnlyFlag(attribute("isSystem"));
}

std::shared_ptr<const DomainIdentifier> KBXMLRuleFilter::domainIdentifier() const {
    return KBXMLCommon::getDomainIdentifierFromElement(m_element, "domain", "domainId");
}

std::int32_t KBXMLRuleFilter::group() const {
    return KBXMLCommon::convertToAppDependencyGroupFromGroupValue(attribute("group"));
}
