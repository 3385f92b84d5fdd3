#pragma once

#include "knowledge/DomainIdentifier.h"

#include <memory>
#include <string>

// Names the domain of an application bundle that has no bundle identifier, for
// example from the custom domain definitions of a loaded knowledge base.
class CustomDomainIdentifierProvider {
public:
    virtual ~CustomDomainIdentifierProvider() = default;

    // The identifier for the bundle at `path`, or none.
    virtual std::shared_ptr<const DomainIdentifier>
    idForBundleWithoutIdAtPath(const std::string& path) = 0;
};
