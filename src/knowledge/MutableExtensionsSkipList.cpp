#include "knowledge/MutableExtensionsSkipList.h"

void MutableExtensionsSkipList::addItem(const KBExtensionSkipItem& item) {
    auto& group = m_groups[item.groupType()];
    if (!group)
        group = std::make_shared<KBExtensionSkipItemsGroup>(item.groupType());
    group->addItem(item);
}

bool MutableExtensionsSkipList::contains(const KBExtensionsSkipListItemParameters& tested) const {
    auto found = m_groups.find(tested.groupType());
    return found != m_groups.end() && found->second->matches(tested);
}
