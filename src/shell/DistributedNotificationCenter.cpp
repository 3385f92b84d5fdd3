#include "shell/DistributedNotificationCenter.h"

#include "platform/MainQueue.h"
#include "shell/LocalDistributedNotificationCenter.h"

#include <algorithm>
#include <utility>

namespace {

// Deeper user information is refused rather than walked, so that a hostile value
// cannot exhaust the stack; real notifications are one or two levels deep.
constexpr int kMaxUserInfoDepth = 64;

bool holdsNoNull(const platform::PlistValue& value, int depth) {
    if (depth > kMaxUserInfoDepth)
        return false;
    switch (value.kind()) {
    case platform::PlistValue::Kind::Null:
        return false;
    case platform::PlistValue::Kind::Dictionary:
        return std::all_of(
            value.asDictionary()->begin(), value.asDictionary()->end(),
            [depth](const auto& entry) { return holdsNoNull(entry.second, depth + 1); });
    case platform::PlistValue::Kind::Array:
        return std::all_of(value.asArray()->begin(), value.asArray()->end(),
                           [depth](const auto& item) { return holdsNoNull(item, depth + 1); });
    default:
        return true;
    }
}

struct SharedCenter {
    platform::Mutex mutex;
    std::shared_ptr<DistributedNotificationCenter> center GUARDED_BY(mutex);
};

SharedCenter& sharedCenter() {
    static SharedCenter shared;
    return shared;
}

} // namespace

std::shared_ptr<DistributedNotificationCenter> DistributedNotificationCenter::shared() {
    SharedCenter& shared = sharedCenter();
    {
        platform::MutexLock lock(shared.mutex);
        if (shared.center)
            return shared.center;
    }
    // Made without the lock; when two threads race, the first centre stored is the one kept.
    std::shared_ptr<DistributedNotificationCenter> made =
        LocalDistributedNotificationCenter::create();
    platform::MutexLock lock(shared.mutex);
    if (!shared.center)
        shared.center = std::move(made);
    else
        lock.releaseAfterUnlock(std::move(made));
    return shared.center;
}

void DistributedNotificationCenter::setShared(
    std::shared_ptr<DistributedNotificationCenter> center) {
    SharedCenter& shared = sharedCenter();
    platform::MutexLock lock(shared.mutex);
    // The previous centre may be destroyed by this.
    lock.releaseAfterUnlock(std::exchange(shared.center, std::move(center)));
}

DistributedNotificationCenter::DistributedNotificationCenter() = default;

DistributedNotificationCenter::~DistributedNotificationCenter() = default;

DistributedNotificationCenter::ObserverToken
DistributedNotificationCenter::addObserver(const std::string& name, Observer observer) {
    if (!observer)
        return 0;
    platform::MutexLock lock(m_registry->mutex);
    ObserverToken token = m_registry->nextToken++;
    m_registry->entries.push_back(
        {token, name, std::make_shared<const Observer>(std::move(observer))});
    return token;
}

void DistributedNotificationCenter::removeObserver(ObserverToken token) {
    platform::MutexLock lock(m_registry->mutex);
    auto& entries = m_registry->entries;
    auto found = std::find_if(entries.begin(), entries.end(),
                              [token](const Entry& entry) { return entry.token == token; });
    if (found == entries.end())
        return;
    // Whatever the observer captured may take locks of its own.
    lock.releaseAfterUnlock(std::move(found->observer));
    entries.erase(found);
}

bool DistributedNotificationCenter::Registry::contains(ObserverToken token) {
    platform::MutexLock lock(mutex);
    return std::any_of(entries.begin(), entries.end(),
                       [token](const Entry& entry) { return entry.token == token; });
}

bool DistributedNotificationCenter::isValidUserInfo(const platform::PlistValue& userInfo) {
    if (userInfo.isNull())
        return true;
    return userInfo.asDictionary() && holdsNoNull(userInfo, 0);
}

void DistributedNotificationCenter::deliver(const std::string& name,
                                            const std::optional<std::string>& object,
                                            const platform::PlistValue& userInfo) {
    std::vector<std::pair<ObserverToken, std::shared_ptr<const Observer>>> targets;
    {
        platform::MutexLock lock(m_registry->mutex);
        for (const Entry& entry : m_registry->entries) {
            if (entry.name.empty() || entry.name == name)
                targets.emplace_back(entry.token, entry.observer);
        }
    }
    if (targets.empty())
        return;
    platform::PlistValue info = userInfo.asDictionary()
                                    ? userInfo
                                    : platform::PlistValue(platform::PlistValue::Dictionary{});
    std::weak_ptr<Registry> registry = m_registry;
    platform::MainQueue::shared().async(
        [registry, targets = std::move(targets), name, object, info = std::move(info)] {
            for (const auto& [token, observer] : targets) {
                // An observer removed meanwhile, even by an earlier one of this very
                // notification, is skipped; so is everything once the centre is gone.
                auto alive = registry.lock();
                if (!alive)
                    return;
                if (alive->contains(token))
                    (*observer)(name, object, info);
            }
        });
}
