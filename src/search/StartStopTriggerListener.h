#pragma once

#include <cstdint>

class StartStopTrigger;

// Told by a StartStopTrigger when it changes state. The trigger calls its listener after
// releasing its lock, so a listener may start or stop the trigger again; when a start and a
// stop race, the calls may arrive in either order, so a listener acts on the cycle it is
// given and checks the trigger's current cycle before it relies on a run still going on.
class StartStopTriggerListener {
public:
    virtual ~StartStopTriggerListener() = default;

    // `cycle` is the run that this start began.
    virtual void onTriggerStarted(StartStopTrigger& trigger, std::uint32_t cycle) = 0;
    virtual void onTriggerStopped(StartStopTrigger& trigger) = 0;
};
