#pragma once

#include "knowledge/KBXMLFile.h"
#include "knowledge/TBXML.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// A file group of a domain, a `g` element inside a `d` of `domains`. Its name is either
// "system" or a dependency group value.
class KBXMLFileGroup {
public:
    static std::optional<KBXMLFileGroup> create(const _TBXMLElement* element);

    // The `v` attribute; none when absent or empty.
    std::optional<std::string> groupName() const;
    // The same as a view into the document.
    std::optional<std::string_view> groupNameView() const;
    // Whether the name is exactly "system".
    bool isSystem() const;
    // The dependency group number of the name; -1 for "system" and unknown names.
    std::int32_t dependencyType() const;
    void iterateFiles(const std::function<void(const KBXMLFile&)>& action) const;
    // The same without a std::function between: a load calls this for every group.
    template <typename Action> void forEachFile(Action&& action) const {
        for (const _TBXMLElement* child = m_element ? m_element->firstChild : nullptr; child;
             child = child->nextSibling) {
            if (auto file = KBXMLFile::create(child))
                action(*file);
        }
    }

private:
    explicit KBXMLFileGroup(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
