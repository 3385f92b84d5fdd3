#include "platform/WorkspaceNotificationCenter.h"

#include <algorithm>

namespace platform {

WorkspaceNotificationCenter& WorkspaceNotificationCenter::shared() {
    // Never destroyed, so that objects released during exit may still post.
    static auto* center = new WorkspaceNotificationCenter;
    return *center;
}

WorkspaceNotificationCenter::ObserverToken
WorkspaceNotificationCenter::addObserver(std::string name, Observer observer) {
    if (!observer)
        return 0;
    MutexLock lock(m_mutex);
    ObserverToken token = m_nextToken++;
    m_entries.push_back(
        {token, std::move(name), std::make_shared<const Observer>(std::move(observer))});
    return token;
}

void WorkspaceNotificationCenter::removeObserver(ObserverToken token) {
    MutexLock lock(m_mutex);
    auto found = std::find_if(m_entries.begin(), m_entries.end(),
                              [token](const Entry& entry) { return entry.token == token; });
    if (found == m_entries.end())
        return;
    // What the observer captured may take locks of its own when it goes.
    lock.releaseAfterUnlock(std::move(found->observer));
    m_entries.erase(found);
}

bool WorkspaceNotificationCenter::isObserving(ObserverToken token) const {
    MutexLock lock(m_mutex);
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [token](const Entry& entry) { return entry.token == token; });
}

void WorkspaceNotificationCenter::post(std::string name, std::shared_ptr<const void> object,
                                       std::map<std::string, std::string> userInfo) {
    WorkspaceNotification notification{std::move(name), std::move(object), std::move(userInfo)};
    std::vector<std::pair<ObserverToken, std::shared_ptr<const Observer>>> matching;
    {
        MutexLock lock(m_mutex);
        for (const Entry& entry : m_entries) {
            if (entry.name.empty() || entry.name == notification.name)
                matching.emplace_back(entry.token, entry.observer);
        }
    }
    // Observers run without the lock, so that they may change the observer list.
    for (const auto& [token, observer] : matching) {
        if (isObserving(token))
            (*observer)(notification);
    }
}

} // namespace platform
