#pragma once

#include "knowledge/DomainBundleIdentifier.h"

#include <functional>
#include <memory>
#include <vector>

// The applications that come with the operating system. Whatever a knowledge base
// says about them, they are system domains.
class KnowledgeBaseSystemDomains {
public:
    // Built once per process; any thread may ask.
    static const std::vector<std::shared_ptr<const DomainBundleIdentifier>>& CreateDomains();
    static void EnumerateDomains(
        const std::function<void(const std::shared_ptr<const DomainBundleIdentifier>&)>& action);
};
