#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/KBXMLFileGroup.h"
#include "knowledge/TBXML.h"

#include <functional>
#include <memory>
#include <optional>

// One known application and its files, a `d` element of `domains`.
class KBXMLDomain {
public:
    static std::optional<KBXMLDomain> create(const _TBXMLElement* element);

    // From `v` or `vId`; a domain without one is not usable.
    std::shared_ptr<const DomainIdentifier> domain() const;
    // Three-state flags: unset unless the document says yes or no.
    std::optional<bool> isSystem() const;
    std::optional<bool> isSeparateApp() const;
    // True or unset; unset means not a common domain.
    std::optional<bool> isCommonDomain() const;
    // From `parentDomain` or `parentDomainId`.
    std::shared_ptr<const DomainIdentifier> parentDomain() const;
    void iterateGroups(const std::function<void(const KBXMLFileGroup&)>& action) const;
    // The same without a std::function between: a load calls this for every domain.
    template <typename Action> void forEachGroup(Action&& action) const {
        for (const _TBXMLElement* child = m_element ? m_element->firstChild : nullptr; child;
             child = child->nextSibling) {
            if (auto group = KBXMLFileGroup::create(child))
                action(*group);
        }
    }
    const _TBXMLElement* element() const { return m_element; }

private:
    explicit KBXMLDomain(const _TBXMLElement* element) : m_element(element) {}

    const _TBXMLElement* m_element{nullptr};
};
