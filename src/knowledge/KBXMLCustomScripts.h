#pragma once

#include "knowledge/KBXMLBundleScripts.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <optional>

// The `customScripts` section.
class KBXMLCustomScripts {
public:
    static std::optional<KBXMLCustomScripts> create(const _TBXMLElement* element);

    void iterateBundleScripts(const std::function<void(const KBXMLBundleScripts&)>& action) const;

private:
    explicit KBXMLCustomScripts(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
