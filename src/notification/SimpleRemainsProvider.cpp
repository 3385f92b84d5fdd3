#include "notification/SimpleRemainsProvider.h"

#include "platform/Path.h"
#include "search/InstalledApplications.h"
#include "search/KnowledgeBaseSimpleSearchInfo.h"
#include "search/SimpleRemainsInfo.h"
#include "search/SimpleRemainsInfoListener.h"

#include <iterator>

namespace {

// One SimpleRemainsInfo as the notification sees it. The entry listens to the
// object it owns and passes each size report on to the notification.
class SimpleRemainsEntry : public RemainsInfo,
                           public SimpleRemainsInfoListener,
                           public std::enable_shared_from_this<SimpleRemainsEntry> {
public:
    explicit SimpleRemainsEntry(std::weak_ptr<RemainsInfoListener> listener)
        : m_listener(std::move(listener)) {}

    // The object starts measuring as soon as it exists, so it is made once the
    // entry can be its listener.
    bool load(const std::shared_ptr<platform::Bundle>& bundle,
              std::shared_ptr<const InstalledApplications> installed) {
        m_info = SimpleRemainsInfo::create(bundle, weak_from_this(), std::move(installed));
        return m_info != nullptr;
    }

    SimpleRemainsInfo& info() const { return *m_info; }

    // An application with an empty executable name is still listed by its folder's.
    std::string appName() const override {
        if (std::string name = m_info->displayName(); !name.empty())
            return name;
        return platform::Path::deletingExtension(platform::Path::lastComponent(m_info->mainPath()));
    }
    std::string mainPath() const override { return m_info->mainPath(); }
    std::uint64_t getTotalSize() const override { return m_info->getTotalSize(); }
    void addBundle(const std::shared_ptr<platform::Bundle>& bundle) override {
        if (bundle)
            m_info->addBundle(*bundle);
    }
    void
    addRemoveObjectPathsToArray(std::vector<std::shared_ptr<PathForRemove>>& array) const override {
        m_info->addRemoveObjectPathsToArray(array);
    }

    void onSimpleRemainsInfoChanged(const std::shared_ptr<SimpleRemainsInfo>& info) override {
        if (const auto listener = m_listener.lock())
            listener->onSimpleRemainsInfoChanged(info ? this : nullptr);
    }

private:
    std::weak_ptr<RemainsInfoListener> m_listener;
    std::shared_ptr<SimpleRemainsInfo> m_info;
};

} // namespace

void SimpleRemainsProvider::calculateIsCanShowNotificationForBundleWithID(
    const std::string& bundleId, OkBlock okBlock) {
    SimpleRemainsInfo::calculateIsCanShowNotificationForBundleWithID(bundleId, std::move(okBlock));
}

void SimpleRemainsProvider::calculateIsCanShowNotificationForApp(
    const std::shared_ptr<platform::Bundle>& app, OkBlock okBlock) {
    SimpleRemainsInfo::calculateIsCanShowNotificationForApp(app, std::move(okBlock));
}

std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
SimpleRemainsProvider::generateForBundle(const std::shared_ptr<platform::Bundle>& bundle) {
    if (bundle) {
        auto installed = InstalledApplications::scan();
        std::string path = bundle->bundlePath();
        platform::MutexLock lock(m_lock);
        // A bundle that joins an entry already made never takes its lookup; the few
        // newest are enough for the searches still running.
        if (m_installed.size() >= kKeptLookups)
            m_installed.erase(m_installed.begin());
        m_installed.emplace_back(std::move(path), std::move(installed));
    }
    return KnowledgeBaseSimpleSearchInfo::generateForBundle(bundle);
}

std::shared_ptr<RemainsInfo> SimpleRemainsProvider::makeRemainsInfo(
    const std::shared_ptr<platform::Bundle>& bundle, std::weak_ptr<RemainsInfoListener> listener,
    const std::shared_ptr<KnowledgeBaseSimpleSearchInfo>& searchResult) {
    std::shared_ptr<const InstalledApplications> installed;
    if (bundle) {
        const std::string path = bundle->bundlePath();
        platform::MutexLock lock(m_lock);
        // The newest lookup for the path: the bundle may have been removed twice.
        for (auto found = m_installed.rbegin(); found != m_installed.rend(); ++found) {
            if (found->first == path) {
                installed = std::move(found->second);
                m_installed.erase(std::next(found).base());
                break;
            }
        }
    }
    auto entry = std::make_shared<SimpleRemainsEntry>(std::move(listener));
    if (!entry->load(bundle, std::move(installed)))
        return nullptr;
    if (searchResult)
        entry->info().appendKnowledgeBaseInfo(*searchResult);
    return entry;
}
