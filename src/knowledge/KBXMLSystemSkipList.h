#pragma once

#include "knowledge/KBXMLSystemSkipListItem.h"
#include "knowledge/TBXML.h"

#include <optional>
#include <vector>

// The `skipList` section, read whole when the wrapper is made.
class KBXMLSystemSkipList {
public:
    static std::optional<KBXMLSystemSkipList> create(const _TBXMLElement* element);

    // The accepted items in document order.
    const std::vector<KBXMLSystemSkipListItem>& items() const { return m_items; }

private:
    explicit KBXMLSystemSkipList(std::vector<KBXMLSystemSkipListItem> items)
        : m_items(std::move(items)) {}

    std::vector<KBXMLSystemSkipListItem> m_items;
};
