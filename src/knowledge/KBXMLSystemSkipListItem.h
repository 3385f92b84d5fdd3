#pragma once

#include "knowledge/TBXML.h"

#include <optional>
#include <string>

// One system path that must never be offered for removal, an `f` element of `skipList`.
class KBXMLSystemSkipListItem {
public:
    static std::optional<KBXMLSystemSkipListItem> create(const _TBXMLElement* element);

    // The text as written (a leading "~/" is left for the reader to expand); empty when
    // the element has none.
    const std::string& path() const { return m_path; }

private:
    explicit KBXMLSystemSkipListItem(std::string path) : m_path(std::move(path)) {}

    std::string m_path;
};
