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

std::mutex& sharedMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<DistributedNotificationCenter>& sharedSlot() {
    static std::shared_ptr<DistributedNotificationCenter> center;
    return center;
}

} // namespace

std::shared_ptr<DistributedNotificationCenter> DistributedNotificationCenter::shared() {
    std::lock_guard lock(sharedMutex());
    auto& slot = sharedSlot();
    if (!slot)
        slot = LocalDistributedNotificationCenter::create();
    return slot;
}

void DistributedNotificationCenter::setShared(
    std::shared_ptr<DistributedNotificationCenter> center) {
    std::shared_ptr<DistributedNotificationCenter> previous;
    {
        std::lock_guard lock(sharedMutex());
        previous = std::exchange(sharedSlot(), std::move(center));
    }
    // The previous centre may be destroyed here, outside the lock.
}

DistributedNotificationCenter::DistributedNotificationCenter() = default;

DistributedNotificationCenter::~DistributedNotificationCenter() = default;

DistributedNotificationCenter::ObserverToken
DistributedNotificationCenter::addObserver(const std::string& name, Observer observer) {
    if (!observer)
        return 0;
    std::lock_guard lock(m_registry->mutex);
    ObserverToken token = m_registry->nextToken++;
    m_registry->entries.push_back(
        {token, name, std::make_shared<const Observer>(std::move(observer))});
    return token;
}

void DistributedNotificationCenter::removeObserver(ObserverToken token) {
    std::shared_ptr<const Observer> removed;
    {
        std::lock_guard lock(m_registry->mutex);
        auto& entries = m_registry->entries;
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [token](const Entry& entry) { return entry.token == token; });
        if (found == entries.end())
            return;
        removed = std::move(found->observer);
        entries.erase(found);
    }
    // Whatever the observer captured is released outside the lock.
}

bool DistributedNotificationCenter::Registry::contains(ObserverToken token) {
    std::lock_guard lock(mutex);
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
        std::lock_guard lock(m_registry->mutex);
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
