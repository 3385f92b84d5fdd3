#include "knowledge/DomainChildIdentifier.h"

#include "knowledge/DomainIdentifierBuilder.h"

#include <string>

namespace {

std::string childData(const DomainIdentifier& independent, const DomainIdentifier& parent) {
    return independent.uniqueIdentifier() + std::string(DomainChildIdentifier::kSeparator) +
           parent.uniqueIdentifier();
}

} // namespace

DomainChildIdentifier::DomainChildIdentifier(
    std::shared_ptr<const DomainIdentifier> independentDomainIdentifier,
    std::shared_ptr<const DomainGroupIdentifier> parentDomainIdentifier)
    : DefaultDomainIdentifier(prefix(),
                              childData(*independentDomainIdentifier, *parentDomainIdentifier)),
      m_independentDomainIdentifier(std::move(independentDomainIdentifier)),
      m_parentDomainIdentifier(std::move(parentDomainIdentifier)) {}

std::shared_ptr<const DomainChildIdentifier>
DomainChildIdentifier::create(std::shared_ptr<const DomainIdentifier> independentDomainIdentifier,
                              std::shared_ptr<const DomainGroupIdentifier> parentDomainIdentifier) {
    if (!independentDomainIdentifier || !parentDomainIdentifier)
        return nullptr;
    return std::shared_ptr<const DomainChildIdentifier>(new DomainChildIdentifier(
        std::move(independentDomainIdentifier), std::move(parentDomainIdentifier)));
}

std::shared_ptr<const DomainChildIdentifier>
DomainChildIdentifier::createWithRestoreData(std::string_view restoreData) {
    size_t separator = restoreData.find(kSeparator);
    if (separator == std::string_view::npos)
        return nullptr;
    std::string_view first = restoreData.substr(0, separator);
    std::string_view second = restoreData.substr(separator + kSeparator.size());
    if (second.find(kSeparator) != std::string_view::npos)
        return nullptr;

    auto builder = DomainIdentifierBuilder::shared();
    auto parent = std::dynamic_pointer_cast<const DomainGroupIdentifier>(
        builder->restoreDomainIdentifierByUniqueIdentifier(second));
    if (!parent)
        return nullptr;
    return create(builder->restoreDomainIdentifierByUniqueIdentifier(first), std::move(parent));
}
