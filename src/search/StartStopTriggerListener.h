#pragma once

class StartStopTrigger;

// Told by a StartStopTrigger when it changes state. The trigger calls its listener while
// holding its lock, so a listener should only post work to queues.
class StartStopTriggerListener {
public:
    virtual ~StartStopTriggerListener() = default;

    virtual void onTriggerStarted(StartStopTrigger& trigger) = 0;
    virtual void onTriggerStopped(StartStopTrigger& trigger) = 0;
};
