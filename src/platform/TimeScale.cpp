#include "platform/TimeScale.h"

#include <atomic>
#include <cmath>

namespace platform {

namespace {

std::atomic<double> g_timeScale{1.0};

} // namespace

void setTimeScale(double scale) {
    if (std::isfinite(scale) && scale >= 0)
        g_timeScale.store(scale);
}

double timeScale() {
    return g_timeScale.load();
}

} // namespace platform
