#include "knowledge/DomainBundleIdentifier.h"

#include "platform/Text.h"

DomainBundleIdentifier::DomainBundleIdentifier(std::string_view bundleId)
    : DefaultDomainIdentifier(prefix(), platform::Text::lowercase(bundleId)),
      m_bundleIdentifier(bundleId) {}

std::shared_ptr<const DomainBundleIdentifier>
DomainBundleIdentifier::create(std::string_view bundleId) {
    if (bundleId.empty())
        return nullptr;
    return std::shared_ptr<const DomainBundleIdentifier>(new DomainBundleIdentifier(bundleId));
}

std::shared_ptr<const DomainBundleIdentifier>
DomainBundleIdentifier::createWithRestoreData(std::string_view restoreData) {
    return create(restoreData);
}
