#pragma once

#include "knowledge/KBXMLSeparatorWord.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <optional>
#include <string>

// The words of one name form, an `s` element inside a `d` of `separators`.
class KBXMLTypedSeparator {
public:
    static std::optional<KBXMLTypedSeparator> create(const _TBXMLElement* element);

    // The `type` attribute as written, or none.
    std::optional<std::string> separatorType() const;
    void iterateSeparatorWords(const std::function<void(const KBXMLSeparatorWord&)>& action) const;

private:
    explicit KBXMLTypedSeparator(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
