#include "knowledge/DomainCustomIdentifier.h"

#include "platform/Text.h"

DomainCustomIdentifier::DomainCustomIdentifier(std::string appId)
    : DefaultDomainIdentifier(prefix(), appId), m_appId(std::move(appId)) {}

std::shared_ptr<const DomainCustomIdentifier>
DomainCustomIdentifier::create(std::string_view appId) {
    return std::shared_ptr<const DomainCustomIdentifier>(
        new DomainCustomIdentifier(platform::Text::lowercase(appId)));
}

std::shared_ptr<const DomainCustomIdentifier>
DomainCustomIdentifier::createWithRestoreData(std::string_view restoreData) {
    return create(restoreData);
}
