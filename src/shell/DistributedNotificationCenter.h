#pragma once

#include "platform/Mutex.h"
#include "platform/PlistValue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The centre through which the helper and the main application tell each other
// things: a notification has a name, an optional object (a string) and user
// information (a dictionary of property-list values).
//
// Observers are always called on the main queue, never on the posting thread, in
// the order in which they were added. This class keeps the observers; subclasses
// decide where a posted notification goes (the session bus, or only this process)
// and hand whatever arrives to deliver().
class DistributedNotificationCenter {
public:
    using Observer =
        std::function<void(const std::string& name, const std::optional<std::string>& object,
                           const platform::PlistValue& userInfo)>;
    using ObserverToken = std::uint64_t;

    // The process's centre: the one installed last with setShared(), else an
    // in-process one. Any thread may ask.
    static std::shared_ptr<DistributedNotificationCenter> shared();

    // Makes `center` the process's centre; null brings back the in-process one.
    // Observers of the previous centre stay with it.
    static void setShared(std::shared_ptr<DistributedNotificationCenter> center);

    virtual ~DistributedNotificationCenter();

    DistributedNotificationCenter(const DistributedNotificationCenter&) = delete;
    DistributedNotificationCenter& operator=(const DistributedNotificationCenter&) = delete;

    // Calls `observer` for every notification called `name`, or for every
    // notification when `name` is empty. Answers 0 for an empty observer.
    ObserverToken addObserver(const std::string& name, Observer observer);

    // Once this returns on the main queue the observer is not called again, even for
    // notifications that arrived earlier. Unknown tokens are ignored.
    void removeObserver(ObserverToken token);

    // Sends a notification to every observer of it, in this process and, for a
    // centre on the session bus, in every other. `userInfo` is null (none) or a
    // dictionary; observers receive a dictionary, empty when there was none.
    // Answers false, sending nothing, for an empty name or user information that
    // cannot be carried.
    virtual bool post(const std::string& name, const std::optional<std::string>& object,
                      const platform::PlistValue& userInfo = {}) = 0;

protected:
    DistributedNotificationCenter();

    // Whether `userInfo` may be posted: null, or a dictionary with no null (a JSON
    // value that property lists cannot hold) anywhere inside.
    static bool isValidUserInfo(const platform::PlistValue& userInfo);

    // Schedules, on the main queue, the observers of a notification that arrived.
    // Any thread may call it; it never calls an observer itself.
    void deliver(const std::string& name, const std::optional<std::string>& object,
                 const platform::PlistValue& userInfo);

private:
    struct Entry {
        ObserverToken token{0};
        std::string name;
        std::shared_ptr<const Observer> observer;
    };
    // Shared with deliveries still waiting on the main queue, so that a centre
    // destroyed meanwhile simply drops them.
    struct Registry {
        platform::Mutex mutex;
        std::vector<Entry> entries GUARDED_BY(mutex);
        ObserverToken nextToken GUARDED_BY(mutex){1};

        bool contains(ObserverToken token) EXCLUDES(mutex);
    };

    std::shared_ptr<Registry> m_registry{std::make_shared<Registry>()};
};
