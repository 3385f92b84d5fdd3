#include "platform/Bundle.h"

#include "platform/ItemStatus.h"
#include "platform/Log.h"
#include "platform/Mutex.h"
#include "platform/Programs.h"
#include "platform/PropertyList.h"

#include <map>
#include <vector>

namespace platform {

namespace {

constexpr std::string_view kAppExtension = ".app";

bool exists(const std::string& path) {
    return ItemStatus::of(path, ItemStatus::Links::Follow).has_value();
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// A name that only begins with a period has no extension, so ".app" alone does not count.
bool isAppName(std::string_view name) {
    return name.size() > kAppExtension.size() && name.ends_with(kAppExtension);
}

// The applications of other kinds that are in use, by path; held weakly, so a description
// lives as long as some stage still has its bundle.
class DescribedBundles {
public:
    static DescribedBundles& shared() {
        static DescribedBundles registry;
        return registry;
    }

    void remember(const std::shared_ptr<Bundle>& bundle) EXCLUDES(m_mutex) {
        MutexLock lock(m_mutex);
        for (auto it = m_bundles.begin(); it != m_bundles.end();)
            it = it->second.expired() ? m_bundles.erase(it) : std::next(it);
        m_bundles[bundle->bundlePath()] = bundle;
    }

    std::shared_ptr<Bundle> find(const std::string& path) EXCLUDES(m_mutex) {
        MutexLock lock(m_mutex);
        auto found = m_bundles.find(path);
        return found == m_bundles.end() ? nullptr : found->second.lock();
    }

private:
    Mutex m_mutex;
    std::map<std::string, std::weak_ptr<Bundle>> m_bundles GUARDED_BY(m_mutex);
};

} // namespace

std::shared_ptr<Bundle> Bundle::createDescribed(std::string path, Kind kind, PlistValue info,
                                                std::string iconData) {
    if (!info.asDictionary())
        info = PlistValue(PlistValue::Dictionary());
    std::shared_ptr<Bundle> bundle(new Bundle(withoutTrailingSlashes(std::move(path)),
                                              std::move(info), kind, std::move(iconData)));
    DescribedBundles::shared().remember(bundle);
    return bundle;
}

std::shared_ptr<Bundle> Bundle::create(const std::string& path) {
    std::optional<ItemStatus> status = ItemStatus::of(path, ItemStatus::Links::Follow);
    if (status && !status->directory)
        return DescribedBundles::shared().find(withoutTrailingSlashes(path));
    if (!status || !status->directory)
        return nullptr;
    std::string bundlePath = withoutTrailingSlashes(path);
    const std::string infoPath =
        (bundlePath == "/" ? std::string() : bundlePath) + "/Contents/Info.plist";
    PropertyList::Reading info = PropertyList::readFileWithReason(infoPath, kMaxInfoPlistBytes);
    if (info.value && !info.value->asDictionary())
        Log::warningOnce(Log::Component::Platform,
                         infoPath + ": not a dictionary; the bundle is read without it");
    else if (!info.value && info.failure != PropertyList::Failure::Missing)
        Log::warningOnce(Log::Component::Platform,
                         infoPath + ": " + std::string(PropertyList::nameOf(info.failure)) +
                             "; the bundle is read without it");
    if (!info.value || !info.value->asDictionary())
        info.value = PlistValue(PlistValue::Dictionary());
    return std::shared_ptr<Bundle>(new Bundle(std::move(bundlePath), std::move(*info.value)));
}

std::shared_ptr<Bundle> Bundle::mainBundle() {
    static const std::shared_ptr<Bundle> bundle = []() -> std::shared_ptr<Bundle> {
        const auto executable = Programs::runningExecutablePath();
        if (!executable)
            return nullptr;
        if (auto app = enclosingAppPath(*executable))
            return create(*app);
        const std::size_t slash = executable->rfind('/');
        if (slash == std::string::npos)
            return nullptr;
        return create(slash == 0 ? "/" : executable->substr(0, slash));
    }();
    return bundle;
}

std::optional<std::string> Bundle::enclosingAppPath(const std::string& executablePath) {
    // The executable's own name is not a candidate; its folders are, nearest first.
    std::string path = withoutTrailingSlashes(executablePath);
    std::size_t slash = path.rfind('/');
    while (slash != std::string::npos && slash > 0) {
        path.resize(slash);
        path = withoutTrailingSlashes(std::move(path));
        slash = path.rfind('/');
        const std::string_view name =
            std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
        if (isAppName(name))
            return path;
    }
    return std::nullopt;
}

std::optional<std::string> Bundle::bundleIdentifier() const {
    const PlistValue* identifier = m_info.get("CFBundleIdentifier");
    if (!identifier || !identifier->asString())
        return std::nullopt;
    return *identifier->asString();
}

const PlistValue* Bundle::objectForInfoDictionaryKey(std::string_view key) const {
    return m_info.get(key);
}

std::string Bundle::resourcePath() const {
    return (m_path == "/" ? std::string() : m_path) + "/Contents/Resources";
}

std::optional<std::string> Bundle::pathForResource(std::string_view name,
                                                   std::string_view type) const {
    if (name.empty())
        return std::nullopt;
    if (type.starts_with('.'))
        type.remove_prefix(1);
    std::string path = resourcePath() + "/" + std::string(name);
    if (!type.empty())
        path += "." + std::string(type);
    if (!exists(path))
        return std::nullopt;
    return path;
}

std::optional<std::string> Bundle::executablePath() const {
    const PlistValue* executable = m_info.get("CFBundleExecutable");
    const std::string* name = executable ? executable->asString() : nullptr;
    if (!name || name->empty() || *name == "." || *name == ".." ||
        name->find('/') != std::string::npos)
        return std::nullopt;
    std::string path = (m_path == "/" ? std::string() : m_path) + "/Contents/MacOS/" + *name;
    if (!exists(path))
        return std::nullopt;
    return path;
}

} // namespace platform
