#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/KBXMLScriptsContainer.h"
#include "knowledge/TBXML.h"

#include <memory>
#include <optional>

// The removal scripts of one domain, a `scripts` element of `customScripts`.
class KBXMLBundleScripts {
public:
    // None unless `vId` gives a domain identifier and a `preremoval` or `postremoval`
    // child exists; the first child of each name counts.
    static std::optional<KBXMLBundleScripts> create(const _TBXMLElement* element);

    const std::shared_ptr<const DomainIdentifier>& domainIdentifier() const {
        return m_domainIdentifier;
    }
    const std::optional<KBXMLScriptsContainer>& preremovalScripts() const {
        return m_preremovalScripts;
    }
    const std::optional<KBXMLScriptsContainer>& postremovalScripts() const {
        return m_postremovalScripts;
    }

private:
    KBXMLBundleScripts(std::shared_ptr<const DomainIdentifier> domainIdentifier,
                       std::optional<KBXMLScriptsContainer> preremovalScripts,
                       std::optional<KBXMLScriptsContainer> postremovalScripts);

    std::shared_ptr<const DomainIdentifier> m_domainIdentifier;
    std::optional<KBXMLScriptsContainer> m_preremovalScripts;
    std::optional<KBXMLScriptsContainer> m_postremovalScripts;
};
