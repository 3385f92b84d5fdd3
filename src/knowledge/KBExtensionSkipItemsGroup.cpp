#include "knowledge/KBExtensionSkipItemsGroup.h"

namespace {

KBExtensionSkipItemsGroup::Property propertyAt(size_t index) {
    return KBExtensionSkipItem::kProperties[index];
}

} // namespace

std::optional<std::string>
KBExtensionSkipItemsGroup::keyFor(const KBExtensionsSkipListItemParameters& values,
                                  PropertyMask mask) {
    std::string key;
    for (size_t i = 0; i < KBExtensionSkipItem::kProperties.size(); ++i) {
        if (!(mask & (1u << i)))
            continue;
        const auto& value = KBExtensionSkipItem::valueForProperty(values, propertyAt(i));
        if (!value)
            return std::nullopt;
        key.append(std::to_string(value->size())).push_back(':');
        key.append(*value);
    }
    return key;
}

bool KBExtensionSkipItemsGroup::addItem(const KBExtensionSkipItem& item) {
    if (item.groupType() != m_type)
        return false;
    PropertyMask mask = 0;
    for (size_t i = 0; i < KBExtensionSkipItem::kProperties.size(); ++i) {
        if (KBExtensionSkipItem::valueForProperty(item, propertyAt(i))) {
            mask = static_cast<PropertyMask>(mask | (1u << i));
            m_usesProperties.insert(propertyAt(i));
        }
    }
    m_skipItemsInfo[mask].insert(*keyFor(item, mask));
    return true;
}

bool KBExtensionSkipItemsGroup::matches(const KBExtensionsSkipListItemParameters& tested) const {
    for (const auto& [mask, keys] : m_skipItemsInfo) {
        auto key = keyFor(tested, mask);
        if (key && keys.contains(*key))
            return true;
    }
    return false;
}
