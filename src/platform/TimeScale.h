#pragma once

namespace platform {

// A process-wide factor applied to the delay of every DelayedCall scheduled from now on; 1.0 by
// default. Tests lower it to run long debounces quickly (0.1 turns 2 seconds into 0.2 seconds).
// Negative and non-finite values are ignored; 0 makes every delayed call due at once.
void setTimeScale(double scale);
double timeScale();

} // namespace platform
