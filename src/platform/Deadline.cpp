#include "platform/Deadline.h"

#include <algorithm>

namespace platform {

namespace {

constexpr double kLongestDelayMilliseconds = 10.0 * 365 * 24 * 3600 * 1000;

} // namespace

std::chrono::steady_clock::time_point
deadlineAfter(std::chrono::duration<double, std::milli> delay) {
    double milliseconds = delay.count();
    if (!(milliseconds > 0))
        milliseconds = 0;
    milliseconds = std::min(milliseconds, kLongestDelayMilliseconds);
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double, std::milli>(milliseconds));
}

} // namespace platform
