#pragma once

#include "knowledge/KBXMLScript.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <optional>

// The scripts of one kind for one domain, a `preremoval` or `postremoval` element.
class KBXMLScriptsContainer {
public:
    static std::optional<KBXMLScriptsContainer> create(const _TBXMLElement* element);

    bool isPreremove() const { return m_isPreremove; }
    void iterateScripts(const std::function<void(const KBXMLScript&)>& action) const;

private:
    KBXMLScriptsContainer(const _TBXMLElement* element, bool isPreremove)
        : m_element(element), m_isPreremove(isPreremove) {}

    const _TBXMLElement* m_element{nullptr};
    bool m_isPreremove{false};
};
