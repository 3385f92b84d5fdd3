#pragma once

#include "knowledge/DefaultDomainIdentifier.h"

#include <memory>
#include <string>
#include <string_view>

// The domain of an application named by its bundle identifier. The unique identifier
// holds the bundle identifier lower-cased, so that applications that differ only in
// letter case share one domain; `bundleIdentifier` keeps the original spelling.
class DomainBundleIdentifier final : public DefaultDomainIdentifier {
public:
    static DomainIdentifierPrefix prefix() { return DomainIdentifierPrefix::BundleDomain; }

    // None for an empty bundle identifier.
    static std::shared_ptr<const DomainBundleIdentifier> create(std::string_view bundleId);
    static std::shared_ptr<const DomainBundleIdentifier>
    createWithRestoreData(std::string_view restoreData);

    const std::string& bundleIdentifier() const { return m_bundleIdentifier; }

private:
    explicit DomainBundleIdentifier(std::string_view bundleId);

    std::string m_bundleIdentifier;
};
