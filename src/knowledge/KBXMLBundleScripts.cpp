#include "knowledge/KBXMLBundleScripts.h"

#include "knowledge/KBXMLCommon.h"

KBXMLBundleScripts::KBXMLBundleScripts(std::shared_ptr<const DomainIdentifier> domainIdentifier,
                                       std::optional<KBXMLScriptsContainer> preremovalScripts,
                                       std::optional<KBXMLScriptsContainer> postremovalScripts)
    : m_domainIdentifier(std::move(domainIdentifier)),
      m_preremovalScripts(std::move(preremovalScripts)),
      m_postremovalScripts(std::move(postremovalScripts)) {}

std::optional<KBXMLBundleScripts> KBXMLBundleScripts::create(const _TBXMLElement* element) {
    if (!KBXMLCommon::isElementNamed(element, "scripts"))
        return std::nullopt;
    auto domainIdentifier = KBXMLCommon::getDomainIdentifierFromElement(element, "vId");
    auto preremoval =
        KBXMLScriptsContainer::create(TBXML::childElementNamed("preremoval", element));
    auto postremoval =
        KBXMLScriptsContainer::create(TBXML::childElementNamed("postremoval", element));
    if (!domainIdentifier || (!preremoval && !postremoval))
        return std::nullopt;
    return KBXMLBundleScripts(std::move(domainIdentifier), std::move(preremoval),
                              std::move(postremoval));
}
