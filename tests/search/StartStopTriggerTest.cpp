#include "search/StartStopTrigger.h"

#include "support/ThreadTestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// Stops the trigger from inside the start notification, as a listener that finds nothing to
// do would, and records what it is told.
class StoppingListener : public StartStopTriggerListener {
public:
    void onTriggerStarted(StartStopTrigger& trigger, std::uint32_t cycle) override {
        events.push_back("started " + std::to_string(cycle));
        trigger.stop();
        trigger.stop();
    }
    void onTriggerStopped(StartStopTrigger& trigger) override {
        events.push_back("stopped " + std::to_string(trigger.cycle()));
    }

    std::vector<std::string> events;
};

} // namespace

// A listener may change the trigger from inside a notification; the cycle it is given is the
// run that the start began, even though that run is already over when the call ends.
TEST(StartStopTrigger, ListenerMayStopTheTriggerFromInsideItsStartNotification) {
    Watchdog watchdog("trigger re-entered");
    auto listener = std::make_shared<StoppingListener>();
    StartStopTrigger trigger(listener);
    trigger.start();
    EXPECT_TRUE(trigger.isPaused());
    EXPECT_EQ(trigger.cycle(), 2u);
    trigger.start();
    EXPECT_EQ(listener->events,
              (std::vector<std::string>{"started 1", "stopped 2", "started 2", "stopped 3"}));
}
