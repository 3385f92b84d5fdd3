#include "knowledge/KBXMLCommon.h"

#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/DomainIdentifierBuilder.h"
#include "search/AppDependencyGroup.h"

#include <climits>
#include <cstring>

namespace {

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

std::shared_ptr<const DomainIdentifier>
KBXMLCommon::getDomainIdentifierFromElement(const _TBXMLElement* element,
                                            std::string_view domainAttributeName,
                                            std::string_view domainIdentifierAttributeName) {
    if (!domainAttributeName.empty()) {
        if (auto bundleId = TBXML::valueOfAttributeNamed(domainAttributeName, element)) {
            if (auto identifier = DomainBundleIdentifier::create(*bundleId))
                return identifier;
        }
    }
    auto uniqueIdentifier = TBXML::valueOfAttributeNamed(domainIdentifierAttributeName, element);
    if (!uniqueIdentifier)
        return nullptr;
    return DomainIdentifierBuilder::shared()->restoreDomainIdentifierByUniqueIdentifier(
        *uniqueIdentifier);
}

std::shared_ptr<const DomainIdentifier>
KBXMLCommon::getDomainIdentifierFromElement(const _TBXMLElement* element,
                                            std::string_view domainIdentifierAttributeName) {
    return getDomainIdentifierFromElement(element, {}, domainIdentifierAttributeName);
}

std::int32_t
KBXMLCommon::convertToAppDependencyGroupFromGroupValue(const std::optional<std::string>& value) {
    return convertToAppDependencyGroupFromGroupValue(value ? std::optional<std::string_view>(*value)
                                                           : std::nullopt);
}

std::int32_t
KBXMLCommon::convertToAppDependencyGroupFromGroupValue(std::optional<std::string_view> value) {
    if (!value)
        return static_cast<std::int32_t>(AppDependencyGroup::None);
    return static_cast<std::int32_t>(appDependencyGroupFromValue(*value));
}

int KBXMLCommon::integerValue(const std::optional<std::string>& value) {
    if (!value)
        return -1;
    const std::string& text = *value;
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1)
            magnitude = static_cast<long long>(INT_MAX) + 1;
    }
    long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT_MAX)
        return INT_MAX;
    return static_cast<int>(signedValue);
}

std::optional<bool> KBXMLCommon::yesOnlyFlag(const std::optional<std::string>& value) {
    if (!value)
        return std::nullopt;
    return *value == "yes";
}

std::optional<bool> KBXMLCommon::threeStateFlag(const std::optional<std::string>& value) {
    if (value && (*value == "y" || *value == "yes"))
        return true;
    if (value && (*value == "n" || *value == "no"))
        return false;
    return std::nullopt;
}

std::optional<bool> KBXMLCommon::yesFlag(const std::optional<std::string>& value) {
    if (value && (*value == "y" || *value == "yes"))
        return true;
    return std::nullopt;
}

bool KBXMLCommon::isElementNamed(const _TBXMLElement* element, std::string_view name) {
    // Compared where the name lies, without measuring it first: a load asks this of every
    // element it reads.
    return element && element->name && std::strncmp(element->name, name.data(), name.size()) == 0 &&
           element->name[name.size()] == '\0';
}

std::optional<std::string> KBXMLCommon::nonEmptyText(const _TBXMLElement* element) {
    std::string text = TBXML::textForElement(element);
    if (text.empty())
        return std::nullopt;
    return text;
}
