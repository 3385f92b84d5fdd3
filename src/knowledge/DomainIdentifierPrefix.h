#pragma once

#include <string_view>

// The kinds of domain identifier, each written with its own prefix at the start of
// the unique identifier.
enum class DomainIdentifierPrefix { BundleDomain, CustomDomain, GroupDomain, ChildDomain };

constexpr std::string_view rawValue(DomainIdentifierPrefix prefix) {
    switch (prefix) {
    case DomainIdentifierPrefix::BundleDomain:
        return "bi:";
    case DomainIdentifierPrefix::CustomDomain:
        return "c:";
    case DomainIdentifierPrefix::GroupDomain:
        return "g:";
    case DomainIdentifierPrefix::ChildDomain:
        return "ch:";
    }
    return {};
}
