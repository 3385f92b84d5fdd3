#pragma once

#include "knowledge/KBExtensionSkipItem.h"
#include "knowledge/KBExtensionsSkipListItemParameters.h"

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>

// The extension skip items of one kind, indexed so that a test costs one hash lookup
// per combination of properties that the stored items use (at most 32), however many
// items there are.
class KBExtensionSkipItemsGroup {
public:
    using Property = KBExtensionSkipItem::Property;

    explicit KBExtensionSkipItemsGroup(ExtGroupType type) : m_type(type) {}

    ExtGroupType type() const { return m_type; }
    // The properties that at least one item of the group has.
    const std::set<Property>& usesProperties() const { return m_usesProperties; }

    // Files the item; false, leaving the group unchanged, for an item of another kind.
    bool addItem(const KBExtensionSkipItem& item);

    // Whether a stored item matches: every property the stored item has is present in
    // `tested` with the same value (exact comparison). An item without properties
    // therefore matches every object of its kind.
    bool matches(const KBExtensionsSkipListItemParameters& tested) const;

private:
    // A set bit for each property, in the order of `Property`, that the values hold.
    using PropertyMask = std::uint8_t;

    // The values of the properties in `mask`, each written with its length in front, so
    // that different values never give the same key; none when one of them is missing.
    static std::optional<std::string> keyFor(const KBExtensionsSkipListItemParameters& values,
                                             PropertyMask mask);

    ExtGroupType m_type{0};
    std::set<Property> m_usesProperties;
    // Every combination of properties that an item has, with the keys of those items.
    std::unordered_map<PropertyMask, std::unordered_set<std::string>> m_skipItemsInfo;
};
