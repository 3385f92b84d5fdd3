#pragma once

#include <string>
#include <string_view>

namespace platform {

// The helper's log on the standard error stream: one line per event, each named by the
// component that reports it and its level, so that a reader (or a test) can pick out a
// component's events without matching whole sentences:
//
//     sweepwise: knowledge: warning: refused: ...
//
// Lines are written in one piece, so that lines of threads logging at once never mix.
// Debug lines are left out unless $SWEEPWISE_LOG_LEVEL is "debug"; "warning" or "error"
// there leave out the levels below.
class Log {
public:
    enum class Component { Platform, Shell, Knowledge, Search, Ui, App };
    enum class Level { Debug, Info, Warning, Error };

    static void write(Component component, Level level, std::string_view text);

    static std::string_view nameOf(Component component);
    static std::string_view nameOf(Level level);
    // "sweepwise: <component>: " and, below Info, "<level>: " — what begins each line.
    static std::string prefix(Component component, Level level);

    static void info(Component component, std::string_view text) {
        write(component, Level::Info, text);
    }
    static void warning(Component component, std::string_view text) {
        write(component, Level::Warning, text);
    }
    static void error(Component component, std::string_view text) {
        write(component, Level::Error, text);
    }
    // A warning written only the first time: a fault that every retry meets again (a
    // knowledge base that does not load, a settings file that does not parse) says why
    // once, not at every attempt.
    static void warningOnce(Component component, std::string_view text);
};

} // namespace platform
