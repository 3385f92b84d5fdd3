#include "knowledge/DomainIdentifierBuilder.h"

#include "knowledge/DomainChildIdentifier.h"
#include "knowledge/DomainCustomIdentifier.h"
#include "knowledge/DomainGroupIdentifier.h"
#include "platform/Bundle.h"
#include "shell/NSBundleApplicationBundle.h"

#include <array>
#include <cstdint>
#include <openssl/rand.h>
#include <random>
#include <utility>

namespace {

platform::Mutex sharedMutex;
std::shared_ptr<DomainIdentifierBuilder> sharedBuilder GUARDED_BY(sharedMutex);

// 32 lower-case hexadecimal digits of a version 4 UUID.
std::string randomAppId() {
    std::array<std::uint8_t, 16> bytes{};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        std::random_device device;
        for (std::uint8_t& byte : bytes)
            byte = static_cast<std::uint8_t>(device());
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);

    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

} // namespace

std::shared_ptr<DomainIdentifierBuilder> DomainIdentifierBuilder::shared() {
    platform::MutexLock lock(sharedMutex);
    if (!sharedBuilder)
        sharedBuilder = std::make_shared<DomainIdentifierBuilder>();
    return sharedBuilder;
}

void DomainIdentifierBuilder::setShared(std::shared_ptr<DomainIdentifierBuilder> builder) {
    platform::MutexLock lock(sharedMutex);
    // The builder replaced may be the last reference to it.
    lock.releaseAfterUnlock(std::exchange(sharedBuilder, std::move(builder)));
}

DomainIdentifierBuilder::DomainIdentifierBuilder()
    : m_domainIdentifierTypes{RestorableDomainIdentifierType::of<DomainBundleIdentifier>(),
                              RestorableDomainIdentifierType::of<DomainCustomIdentifier>(),
                              RestorableDomainIdentifierType::of<DomainGroupIdentifier>(),
                              RestorableDomainIdentifierType::of<DomainChildIdentifier>()} {}

std::shared_ptr<const DomainIdentifier>
DomainIdentifierBuilder::restoreDomainIdentifierByUniqueIdentifier(
    std::string_view uniqueIdentifier) const {
    for (const RestorableDomainIdentifierType& type : m_domainIdentifierTypes) {
        std::string_view prefix = rawValue(type.prefix);
        if (!uniqueIdentifier.starts_with(prefix))
            continue;
        if (auto identifier = type.createWithRestoreData(uniqueIdentifier.substr(prefix.size())))
            return identifier;
    }
    return nullptr;
}

std::shared_ptr<const DomainIdentifier>
DomainIdentifierBuilder::findIdentifierForBundleAt(const std::string& path,
                                                   CustomDomainIdentifierProvider* provider) {
    if (path.empty())
        return nullptr;
    auto bundle = NSBundleApplicationBundle::applicationBundleAtPath(path);
    if (!bundle)
        return nullptr;
    if (auto bundleId = bundle->bundleIdentifier(); bundleId && !bundleId->empty())
        return DomainBundleIdentifier::create(*bundleId);

    // Droplets are small scripts saved as applications; they get no domain of their own.
    const platform::PlistValue* signature = bundle->objectForInfoDictionaryKey("CFBundleSignature");
    if (signature && signature->asString() && *signature->asString() == "dplt")
        return nullptr;
    // The search's own knowledge base decides first, so that a container replaced since
    // an earlier search takes effect; only the made-up identifier is kept for the run.
    if (provider) {
        if (auto identifier = provider->idForBundleWithoutIdAtPath(path))
            return identifier;
    }
    return randomIdentifierForBundleAt(path);
}

std::shared_ptr<const DomainBundleIdentifier>
DomainIdentifierBuilder::findIdentifierForBundleIdentifier(
    std::string_view bundleIdentifier) const {
    return DomainBundleIdentifier::create(bundleIdentifier);
}

std::shared_ptr<const DomainIdentifier>
DomainIdentifierBuilder::randomIdentifierForBundleAt(const std::string& path) {
    platform::MutexLock lock(m_tableMutex);
    auto [entry, added] = m_customIdentifiersTable.try_emplace(path);
    if (added)
        entry->second = DomainCustomIdentifier::create(randomAppId());
    return entry->second;
}
