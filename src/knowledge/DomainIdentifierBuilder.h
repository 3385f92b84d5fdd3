#pragma once

#include "knowledge/CustomDomainIdentifierProvider.h"
#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/DomainIdentifier.h"
#include "knowledge/DomainIdentifierPrefix.h"
#include "knowledge/RestorableDomainIdentifier.h"
#include "platform/Mutex.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Turns unique identifiers back into identifier objects and finds the identifier of
// an application bundle on disk. Knowledge-base searches use the shared builder from
// background queues, several at a time, so every operation may be called from any
// thread. Each search hands in its own provider of custom identifiers with the call,
// so that no search ever answers with another search's knowledge base.
class DomainIdentifierBuilder {
public:
    using Prefix = DomainIdentifierPrefix;

    // The process-wide builder, created on first use.
    static std::shared_ptr<DomainIdentifierBuilder> shared();
    // Replaces the shared builder; with none, the next `shared()` creates a fresh one.
    static void setShared(std::shared_ptr<DomainIdentifierBuilder> builder);

    DomainIdentifierBuilder();
    DomainIdentifierBuilder(const DomainIdentifierBuilder&) = delete;
    DomainIdentifierBuilder& operator=(const DomainIdentifierBuilder&) = delete;

    // The restorable classes in the order in which they are tried.
    const std::vector<RestorableDomainIdentifierType>& domainIdentifierTypes() const {
        return m_domainIdentifierTypes;
    }

    // The identifier written as `uniqueIdentifier`, or none for an unknown prefix or
    // data that its class rejects.
    std::shared_ptr<const DomainIdentifier>
    restoreDomainIdentifierByUniqueIdentifier(std::string_view uniqueIdentifier) const;

    // The identifier of the application bundle at `path`: its bundle identifier when it
    // has one; none for a droplet; otherwise the answer of `provider` (the calling
    // search's own, asked every time), and without one a random custom identifier,
    // remembered for the path as long as this builder lives.
    std::shared_ptr<const DomainIdentifier>
    findIdentifierForBundleAt(const std::string& path,
                              CustomDomainIdentifierProvider* provider = nullptr);

    std::shared_ptr<const DomainBundleIdentifier>
    findIdentifierForBundleIdentifier(std::string_view bundleIdentifier) const;

private:
    // The remembered random identifier of a bundle without bundle identifier, made on
    // first use.
    std::shared_ptr<const DomainIdentifier> randomIdentifierForBundleAt(const std::string& path)
        EXCLUDES(m_tableMutex);

    const std::vector<RestorableDomainIdentifierType> m_domainIdentifierTypes;

    // Guards the table only; providers are asked outside it.
    platform::Mutex m_tableMutex;
    std::unordered_map<std::string, std::shared_ptr<const DomainIdentifier>>
        m_customIdentifiersTable GUARDED_BY(m_tableMutex);
};
