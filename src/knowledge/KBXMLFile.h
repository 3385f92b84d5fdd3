#pragma once

#include "knowledge/TBXML.h"

#include <optional>
#include <string>

// One file of a domain's file group, an `f` element inside `g`.
class KBXMLFile {
public:
    static std::optional<KBXMLFile> create(const _TBXMLElement* element);

    // The text (a leading "~/" stands for the home folder); none when empty.
    std::optional<std::string> path() const;
    // The same as a view into the document, empty when there is none.
    std::string_view pathView() const;

private:
    explicit KBXMLFile(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
