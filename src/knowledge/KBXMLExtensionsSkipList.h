#pragma once

#include "knowledge/KBXMLExtensionsSkipListItem.h"
#include "knowledge/TBXML.h"

#include <optional>
#include <vector>

// The `extensionsSkipList` section, read whole when the wrapper is made.
class KBXMLExtensionsSkipList {
public:
    static std::optional<KBXMLExtensionsSkipList> create(const _TBXMLElement* element);

    // The accepted items in document order.
    const std::vector<KBXMLExtensionsSkipListItem>& items() const { return m_items; }

private:
    explicit KBXMLExtensionsSkipList(std::vector<KBXMLExtensionsSkipListItem> items)
        : m_items(std::move(items)) {}

    std::vector<KBXMLExtensionsSkipListItem> m_items;
};
