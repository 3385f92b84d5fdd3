#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// Runs a piece of work on untrusted input in a short-lived child process with limits on
// its memory, its time and the size of its answer, so that no input, however damaged or
// hostile, can crash, hang or bloat this process. The child is a copy of this one made
// by fork: it runs `work` on the calling thread's copy alone, writes the answer back
// through a pipe and ends at once, without running this process's exit handlers. It
// cannot write files (its file size limit is 0), dumps no core, and dies with its
// parent.
class LimitedChild {
public:
    struct Limits {
        // The child's address space; not set under the address and thread sanitizers,
        // whose shadow memory needs more than any sensible limit.
        std::size_t memoryBytes{std::size_t(256) << 20};
        // Wall-clock time from the start; the child is killed at its end.
        double seconds{5.0};
        // The largest answer taken.
        std::size_t answerBytes{std::size_t(8) << 20};
    };

    enum class Outcome {
        Answered,
        // The child crashed, was killed by a limit or ended without an answer.
        Failed,
        TimedOut,
        TooLarge,
        CouldNotStart,
    };

    struct Result {
        Outcome outcome;
        std::string answer;
    };

    static Result run(const std::function<std::string()>& work, const Limits& limits);
};

} // namespace platform
