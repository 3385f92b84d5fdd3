#include "platform/Log.h"

#include "platform/Mutex.h"
#include "platform/StandardError.h"

#include <cstdlib>
#include <string>
#include <unordered_set>

namespace platform {

namespace {

Log::Level lowestWrittenLevel() {
    static const Log::Level lowest = [] {
        const char* setting = std::getenv("SWEEPWISE_LOG_LEVEL");
        std::string_view value = setting ? setting : "";
        if (value == "debug")
            return Log::Level::Debug;
        if (value == "warning")
            return Log::Level::Warning;
        if (value == "error")
            return Log::Level::Error;
        return Log::Level::Info;
    }();
    return lowest;
}

// Lines already written by warningOnce. Bounded: past the bound a repeat costs one more
// line, not memory.
constexpr std::size_t kRememberedLines = 256;

struct WrittenLines {
    Mutex mutex;
    std::unordered_set<std::string> lines GUARDED_BY(mutex);
};

// Whether `line` is new; it is remembered from now on.
bool isFirstTime(const std::string& line) {
    static WrittenLines* const written = new WrittenLines(); // used until the very end
    MutexLock lock(written->mutex);
    if (written->lines.contains(line))
        return false;
    if (written->lines.size() >= kRememberedLines)
        written->lines.clear();
    written->lines.insert(line);
    return true;
}

} // namespace

void Log::warningOnce(Component component, std::string_view text) {
    std::string line = prefix(component, Level::Warning);
    line += text;
    if (isFirstTime(line))
        write(component, Level::Warning, text);
}

std::string_view Log::nameOf(Component component) {
    switch (component) {
    case Component::Platform:
        return "platform";
    case Component::Shell:
        return "shell";
    case Component::Knowledge:
        return "knowledge";
    case Component::Search:
        return "search";
    case Component::Ui:
        return "ui";
    case Component::App:
        return "app";
    }
    return "app";
}

std::string_view Log::nameOf(Level level) {
    switch (level) {
    case Level::Debug:
        return "debug";
    case Level::Info:
        return "info";
    case Level::Warning:
        return "warning";
    case Level::Error:
        return "error";
    }
    return "info";
}

std::string Log::prefix(Component component, Level level) {
    std::string text = "sweepwise: ";
    text += nameOf(component);
    text += ": ";
    if (level != Level::Info) {
        text += nameOf(level);
        text += ": ";
    }
    return text;
}

void Log::write(Component component, Level level, std::string_view text) {
    if (level < lowestWrittenLevel())
        return;
    std::string line = prefix(component, level);
    line += text;
    line += '\n';
    StandardError::write(line);
}

} // namespace platform
