#pragma once

#include <chrono>

namespace platform {

// The steady-clock time `delay` from now. Negative (and not-a-number) delays count as zero and
// very long ones are capped at ten years, so that no caller can overflow the clock arithmetic.
std::chrono::steady_clock::time_point
deadlineAfter(std::chrono::duration<double, std::milli> delay);

} // namespace platform
