#include "knowledge/CustomDomainIdentifierProviderFromKnowledgeBase.h"

#include "knowledge/CDValidator.h"
#include "platform/PropertyList.h"

std::shared_ptr<const DomainIdentifier>
CustomDomainIdentifierProviderFromKnowledgeBase::idForBundleWithoutIdAtPath(
    const std::string& path) {
    if (!m_data)
        return nullptr;
    // The bundle's file systems ignore case; ours may not.
    auto info = platform::PropertyList::readFile(path + "/Contents/info.plist");
    if (!info)
        info = platform::PropertyList::readFile(path + "/Contents/Info.plist");
    if (!info || !info->asDictionary())
        return nullptr;
    for (const auto& definition : m_data->customDomainDefinitions()) {
        if (CDValidator::testPlist(*info, definition->test()))
            return definition->domainIdentifier();
    }
    return nullptr;
}
