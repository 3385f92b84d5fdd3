#pragma once

#include "knowledge/TBXML.h"

#include <optional>
#include <string>

// One separator word, a `v` element inside `s`.
class KBXMLSeparatorWord {
public:
    static std::optional<KBXMLSeparatorWord> create(const _TBXMLElement* element);

    // The element's text; empty when it has none.
    std::string word() const;

private:
    explicit KBXMLSeparatorWord(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
