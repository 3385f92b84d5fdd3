#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/DomainIdentifierPrefix.h"

#include <concepts>
#include <memory>
#include <string_view>

// An identifier class that can be rebuilt from a unique identifier: it names its
// prefix and builds an object from the rest of the string, or none.
template <typename T>
concept RestorableDomainIdentifier = requires(std::string_view restoreData) {
    { T::prefix() } -> std::same_as<DomainIdentifierPrefix>;
    {
        T::createWithRestoreData(restoreData)
        } -> std::convertible_to<std::shared_ptr<const DomainIdentifier>>;
};

// A restorable identifier class as a value, so that the builder can keep an ordered
// list of the classes it tries.
struct RestorableDomainIdentifierType {
    using Factory = std::shared_ptr<const DomainIdentifier> (*)(std::string_view restoreData);

    DomainIdentifierPrefix prefix{DomainIdentifierPrefix::BundleDomain};
    Factory createWithRestoreData{nullptr};

    template <RestorableDomainIdentifier T> static RestorableDomainIdentifierType of() {
        return {T::prefix(), [](std::string_view restoreData) {
                    return std::shared_ptr<const DomainIdentifier>(
                        T::createWithRestoreData(restoreData));
                }};
    }
};
