#include "knowledge/KBXMLDomains.h"

#include "knowledge/KBXMLCommon.h"

std::optional<KBXMLDomains> KBXMLDomains::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "domains"))
        return std::nullopt;
    return KBXMLDomains(element);
}

void KBXMLDomains::iterateDomains(const std::function<void(const KBXMLDomain&)>& action) const {
    KBXMLCommon::iterateChildren<KBXMLDomain>(m_element, action);
}

std::size_t KBXMLDomains::countDomainElements() const {
    std::size_t count = 0;
    for (const _TBXMLElement* domain = m_element->firstChild; domain; domain = domain->nextSibling)
        ++count;
    return count;
}

std::size_t KBXMLDomains::countFileElements() const {
    std::size_t count = 0;
    for (const _TBXMLElement* domain = m_element->firstChild; domain; domain = domain->nextSibling)
        count += countFileElementsOf(domain);
    return count;
}

std::size_t KBXMLDomains::countFileElementsOf(const _TBXMLElement* domain) {
    std::size_t count = 0;
    for (const _TBXMLElement* group = domain ? domain->firstChild : nullptr; group;
         group = group->nextSibling) {
        for (const _TBXMLElement* file = group->firstChild; file; file = file->nextSibling)
            ++count;
    }
    return count;
}
