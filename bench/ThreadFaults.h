#pragma once

// Page faults of the calling thread: a load that touches fresh memory pays one minor
// fault per page, and on a machine whose memory has not been used since it started each
// of those costs far more than on a warm one. The load benchmarks report the faults of
// their timed part beside the time, so that two runs can be told apart by more than
// their clocks.

#include <sys/resource.h>

namespace bench_support {

inline long threadMinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

} // namespace bench_support
