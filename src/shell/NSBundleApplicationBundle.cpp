#include "shell/NSBundleApplicationBundle.h"

#include "platform/FileSystem.h"
#include "shell/FileURL.h"

namespace {

bool hasLongerPrefix(const std::string& value, std::string_view prefix) {
    return value.size() > prefix.size() && value.starts_with(prefix);
}

} // namespace

std::shared_ptr<platform::Bundle>
NSBundleApplicationBundle::safeCreateBundleWithPath(const std::string& path) {
    if (path.empty() || !platform::FileSystem::fileExists(path))
        return nullptr;
    // A file is an application of another kind only while its description is in use;
    // Bundle::create finds it then.
    return platform::Bundle::create(path);
}

std::shared_ptr<platform::Bundle>
NSBundleApplicationBundle::safeCreateBundleWithUrl(const std::string& url) {
    if (!FileURL::isFileURL(url))
        return nullptr;
    std::optional<std::string> path = FileURL::toPath(url);
    return path ? safeCreateBundleWithPath(*path) : nullptr;
}

std::shared_ptr<platform::Bundle>
NSBundleApplicationBundle::applicationBundleAtPath(const std::string& path) {
    std::shared_ptr<platform::Bundle> bundle = safeCreateBundleWithPath(path);
    if (!bundle)
        return nullptr;
    const platform::PlistValue& info = bundle->infoDictionary();
    const auto* entries = info.asDictionary();
    if (!entries || entries->empty())
        return nullptr;
    if (isVMWareProxyApp(*bundle) || isParallelsWinApp(*bundle))
        return nullptr;
    return bundle;
}

bool NSBundleApplicationBundle::isVMWareProxyApp(const platform::Bundle& bundle) {
    const platform::PlistValue* host =
        bundle.objectForInfoDictionaryKey("DOHostAppBundleIdentifier");
    const std::string* hostId = host ? host->asString() : nullptr;
    if (!hostId || *hostId != "com.vmware.fusion")
        return false;
    return hasLongerPrefix(bundle.bundleIdentifier().value_or(""), "com.vmware.proxyApp");
}

bool NSBundleApplicationBundle::isParallelsWinApp(const platform::Bundle& bundle) {
    return hasLongerPrefix(bundle.bundleIdentifier().value_or(""), "com.parallels.winapp");
}
