#pragma once

#include "knowledge/KBExtensionSkipItem.h"
#include "knowledge/KBExtensionSkipItemsGroup.h"
#include "knowledge/KBExtensionsSkipListItemParameters.h"

#include <memory>
#include <unordered_map>

// The system extensions of the knowledge base, grouped by kind. It is filled while a
// knowledge base loads and has no lock.
class MutableExtensionsSkipList {
public:
    MutableExtensionsSkipList() = default;

    const std::unordered_map<ExtGroupType, std::shared_ptr<KBExtensionSkipItemsGroup>>&
    groups() const {
        return m_groups;
    }

    void addItem(const KBExtensionSkipItem& item);
    // Whether a stored item of the same kind matches `tested` (see KBExtensionSkipItemsGroup).
    bool contains(const KBExtensionsSkipListItemParameters& tested) const;

private:
    std::unordered_map<ExtGroupType, std::shared_ptr<KBExtensionSkipItemsGroup>> m_groups;
};
