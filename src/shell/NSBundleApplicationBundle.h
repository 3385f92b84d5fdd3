#pragma once

#include "platform/Bundle.h"

#include <memory>
#include <string>

// Bundle objects made only for folders that exist, and the recognition of
// proxy applications of virtual machines, which are no real applications.
class NSBundleApplicationBundle {
public:
    static std::shared_ptr<platform::Bundle> safeCreateBundleWithPath(const std::string& path);
    static std::shared_ptr<platform::Bundle> safeCreateBundleWithUrl(const std::string& url);
    static std::shared_ptr<platform::Bundle> applicationBundleAtPath(const std::string& path);

    static bool isVMWareProxyApp(const platform::Bundle& bundle);
    static bool isParallelsWinApp(const platform::Bundle& bundle);
};
