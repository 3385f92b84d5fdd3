#pragma once

#include "platform/MainQueue.h"
#include "shell/VDKQueue.h"

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace testing_support {

// Long enough for a loaded machine under ThreadSanitizer; a hang fails instead of blocking.
inline constexpr auto kEventPatience = std::chrono::milliseconds(10000);

// Runs the main queue until `condition` holds; false when the watchdog runs out first.
inline bool waitFor(std::function<bool()> condition) {
    return platform::MainQueue::shared().runUntil(std::move(condition), kEventPatience);
}

struct ReceivedEvent {
    std::string name;
    std::string path;
    bool operator==(const ReceivedEvent&) const = default;
};

inline void PrintTo(const ReceivedEvent& event, std::ostream* out) {
    *out << event.name << " for " << event.path;
}

// A delegate that records every call (all on the main thread) and may act on it.
class RecordingDelegate : public VDKQueueDelegate {
public:
    void vdkQueue(VDKQueue& queue, const std::string& noteName, const std::string& fpath) override {
        events.push_back({noteName, fpath});
        if (onEvent)
            onEvent(queue, noteName, fpath);
    }

    // Waits for `count` calls after those already taken and hands them over.
    std::vector<ReceivedEvent> take(std::size_t count) {
        if (!waitFor([&] { return events.size() >= m_taken + count; }))
            return {events.begin() + static_cast<std::ptrdiff_t>(m_taken), events.end()};
        auto first = events.begin() + static_cast<std::ptrdiff_t>(m_taken);
        m_taken += count;
        return {first, first + static_cast<std::ptrdiff_t>(count)};
    }

    // Waits until a call with this name and path has arrived.
    bool waitForEvent(std::string_view name, const std::string& path) {
        return waitFor([&] {
            for (const auto& event : events) {
                if (event.name == name && event.path == path)
                    return true;
            }
            return false;
        });
    }

    std::vector<ReceivedEvent> events;
    std::function<void(VDKQueue&, const std::string&, const std::string&)> onEvent;

private:
    std::size_t m_taken{0};
};

// A queue of the process's shared reader, or of `reader`, with a recording delegate.
struct QueueWithDelegate {
    explicit QueueWithDelegate(std::shared_ptr<platform::FileEventReader> reader = nullptr)
        : queue(reader ? VDKQueue::create(std::move(reader)) : VDKQueue::create()) {
        if (queue)
            queue->setDelegate(delegate);
    }
    std::shared_ptr<VDKQueue> queue;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
};

inline ReceivedEvent event(std::string_view name, const std::string& path) {
    return {std::string(name), path};
}

// One write() to the end of a file, so that the kernel reports exactly one modification.
inline void appendTo(const std::string& path, const std::string& text) {
    int descriptor = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(descriptor, 0) << path;
    ASSERT_EQ(write(descriptor, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(descriptor);
}

} // namespace testing_support
