#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Names of message files: "random_<counter>-<seconds since 2001>" and a suffix.
//
// The counter starts at 0 and is incremented before each use, so the first name
// uses 1; the seconds are those since 2001-01-01 00:00:00 UTC with the fraction cut
// off. Each message class keeps one namer for the process. A namer is meant for
// one thread (both programs name their messages on the main thread).
class MessageFileNamer {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // 2001-01-01 00:00:00 UTC in seconds since the Unix epoch.
    static constexpr std::int64_t kUnixSecondsAt2001 = 978307200;
    // A name is drawn at most this many times before naming gives up.
    static constexpr int kMaxAttempts = 1000;

    explicit MessageFileNamer(Clock clock = &std::chrono::system_clock::now)
        : m_clock(std::move(clock)) {}

    // The next "random_<n>-<s>"; advances the counter.
    std::string nextRandomString();

    // `folder`/<next name><suffix> for the first name under which nothing exists,
    // not even a dangling link; names that are taken are dropped.
    std::optional<std::string> uniquePathInFolder(const std::string& folder,
                                                  std::string_view suffix);

    // Whole seconds since 2001, the fraction cut off; 0 for earlier times.
    static std::uint64_t secondsSince2001(std::chrono::system_clock::time_point time);

private:
    Clock m_clock;
    std::uint64_t m_counter{0};
};
