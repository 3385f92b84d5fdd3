#pragma once

#include "knowledge/KBExtGroupTypeWrapper.h"

#include <optional>
#include <string>

// Anything that can be tested against the extension skip list: a kind and five
// optional properties.
class KBExtensionsSkipListItemParameters {
public:
    virtual ~KBExtensionsSkipListItemParameters() = default;

    virtual ExtGroupType groupType() const = 0;
    virtual const std::optional<std::string>& kbextName() const = 0;
    virtual const std::optional<std::string>& kbextBundleID() const = 0;
    virtual const std::optional<std::string>& kbextPath() const = 0;
    virtual const std::optional<std::string>& kbextMainAppPath() const = 0;
    virtual const std::optional<std::string>& kbextBrowserExtensionID() const = 0;
};
