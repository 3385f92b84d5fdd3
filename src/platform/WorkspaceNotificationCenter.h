#pragma once

#include "platform/Mutex.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct WorkspaceNotification {
    std::string name;
    // The sender; observers compare it with the objects they know.
    std::shared_ptr<const void> object;
    std::map<std::string, std::string> userInfo;
};

// The process's centre for notifications about the workspace (file events and the like).
// Posting calls every matching observer at once on the posting thread, in the order in which
// they were added; an observer may add or remove observers, itself included, while it runs.
class WorkspaceNotificationCenter {
public:
    using Observer = std::function<void(const WorkspaceNotification&)>;
    using ObserverToken = std::uint64_t;

    static WorkspaceNotificationCenter& shared();

    WorkspaceNotificationCenter() = default;
    WorkspaceNotificationCenter(const WorkspaceNotificationCenter&) = delete;
    WorkspaceNotificationCenter& operator=(const WorkspaceNotificationCenter&) = delete;

    // An empty name observes every notification. Answers 0 for an empty observer.
    ObserverToken addObserver(std::string name, Observer observer) EXCLUDES(m_mutex);
    // An observer removed while a post is under way is not called by it any more.
    void removeObserver(ObserverToken token) EXCLUDES(m_mutex);

    void post(std::string name, std::shared_ptr<const void> object,
              std::map<std::string, std::string> userInfo = {}) EXCLUDES(m_mutex);

private:
    struct Entry {
        ObserverToken token{0};
        std::string name;
        std::shared_ptr<const Observer> observer;
    };

    bool isObserving(ObserverToken token) const EXCLUDES(m_mutex);

    mutable Mutex m_mutex;
    std::vector<Entry> m_entries GUARDED_BY(m_mutex);
    ObserverToken m_nextToken GUARDED_BY(m_mutex){1};
};

} // namespace platform
