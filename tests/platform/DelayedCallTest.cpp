#include "platform/DelayedCall.h"

#include "ThreadTestSupport.h"
#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "platform/TimeScale.h"

#include <atomic>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <vector>

using platform::DelayedCall;
using platform::MainQueue;
using testing_support::Flag;
using testing_support::kPatience;
using testing_support::Watchdog;
using namespace std::chrono_literals;

namespace {

class ScopedTimeScale {
public:
    explicit ScopedTimeScale(double scale) { platform::setTimeScale(scale); }
    ~ScopedTimeScale() { platform::setTimeScale(m_saved); }

private:
    double m_saved{platform::timeScale()};
};

} // namespace

TEST(DelayedCall, RunsInTheOrderOfDeadlinesNotOfCalls) {
    MainQueue main;
    std::vector<int> order;
    // Made in reverse: a timer that kept the calls in the order they were made would fail.
    for (int delay : {600, 400, 200, 0})
        DelayedCall::after(std::chrono::milliseconds(delay), main,
                           [&, delay] { order.push_back(delay); });
    ASSERT_TRUE(main.runUntil([&] { return order.size() == 4; }, kPatience));
    EXPECT_EQ(order, (std::vector<int>{0, 200, 400, 600}));
}

TEST(DelayedCall, RunsWithoutAnyoneKeepingTheHandle) {
    Flag ran;
    DelayedCall::after(0ms, platform::globalQueue(), [&] { ran.raise(); });
    EXPECT_TRUE(ran.wait());
}

TEST(DelayedCall, CancelledCallNeverRuns) {
    MainQueue main;
    bool ran = false;
    bool sentinel = false;
    auto call = DelayedCall::after(100ms, main, [&] { ran = true; });
    ASSERT_TRUE(call);
    call->cancel();
    EXPECT_TRUE(call->isCancelled());
    // Calls go out in deadline order, so once a later one has run the cancelled one had its turn.
    DelayedCall::after(200ms, main, [&] { sentinel = true; });
    ASSERT_TRUE(main.runUntil([&] { return sentinel; }, kPatience));
    EXPECT_FALSE(ran);
}

TEST(DelayedCall, CancelWinsEvenAfterTheTimerHandedTheCallToItsQueue) {
    Watchdog watchdog("DelayedCall cancel after firing");
    MainQueue main;
    Flag handedOver;
    main.setHostHook([&] { handedOver.raise(); });
    bool ran = false;
    auto call = DelayedCall::after(0ms, main, [&] { ran = true; });
    ASSERT_TRUE(call);
    ASSERT_TRUE(handedOver.wait());
    call->cancel();
    EXPECT_TRUE(call->isCancelled());
    EXPECT_EQ(main.drain(), 1u);
    EXPECT_FALSE(ran);
}

TEST(DelayedCall, CancelHasNoEffectOnceTheTaskStarted) {
    MainQueue main;
    std::shared_ptr<DelayedCall> call;
    bool cancelledInside = true;
    int runs = 0;
    call = DelayedCall::after(0ms, main, [&] {
        ++runs;
        call->cancel();
        cancelledInside = call->isCancelled();
    });
    ASSERT_TRUE(main.runUntil([&] { return runs == 1; }, kPatience));
    call->cancel();
    EXPECT_FALSE(call->isCancelled());
    EXPECT_FALSE(cancelledInside);
    EXPECT_EQ(main.drain(), 0u);
    EXPECT_EQ(runs, 1);
}

TEST(DelayedCall, ReleasesItsTaskOnceItRanOrWasCancelled) {
    MainQueue main;
    for (bool cancel : {false, true}) {
        auto token = std::make_shared<int>(0);
        std::weak_ptr<int> watched = token;
        bool ran = false;
        auto call = DelayedCall::after(cancel ? 1h : 0ms, main, [&ran, token] { ran = true; });
        ASSERT_TRUE(call);
        token.reset();
        if (cancel)
            call->cancel();
        else
            ASSERT_TRUE(main.runUntil([&] { return ran; }, kPatience));
        // The handle is still held: a task that captured its owner would otherwise keep both.
        EXPECT_TRUE(watched.expired()) << (cancel ? "cancelled" : "ran");
    }
}

TEST(DelayedCall, TimeScaleShortensEveryDelay) {
    ScopedTimeScale fast(0.001);
    MainQueue main;
    bool ran = false;
    // Unscaled, this minute would outlast the watchdog bound of runUntil.
    DelayedCall::after(60s, main, [&] { ran = true; });
    EXPECT_TRUE(main.runUntil([&] { return ran; }, kPatience));
}

TEST(DelayedCall, ExtremeDelaysNeitherOverflowNorFireEarly) {
    MainQueue main;
    bool longRan = false;
    bool negativeRan = false;
    auto longCall =
        DelayedCall::after(std::chrono::milliseconds::max(), main, [&] { longRan = true; });
    DelayedCall::after(std::chrono::milliseconds::min(), main, [&] { negativeRan = true; });
    {
        ScopedTimeScale huge(std::numeric_limits<double>::max());
        DelayedCall::after(1ms, main, [&] { longRan = true; })->cancel();
    }
    ASSERT_TRUE(main.runUntil([&] { return negativeRan; }, kPatience));
    EXPECT_FALSE(longRan);
    longCall->cancel();
}

TEST(DelayedCall, DropsTheCallWhenItsQueueIsGone) {
    MainQueue main;
    auto serial = platform::SerialQueue::create("short-lived");
    ASSERT_TRUE(serial);
    std::atomic<bool> ran{false};
    bool sentinel = false;
    DelayedCall::after(300ms, *serial, [&] { ran = true; });
    serial.reset();
    DelayedCall::after(400ms, main, [&] { sentinel = true; });
    ASSERT_TRUE(main.runUntil([&] { return sentinel; }, kPatience));
    EXPECT_FALSE(ran.load());
}

TEST(TimeScale, IgnoresNegativeAndNonFiniteValues) {
    ScopedTimeScale restore(1.0);
    struct Case {
        double requested;
        double expected;
    };
    const Case cases[] = {
        {0.5, 0.5},
        {0.0, 0.0},
        {-1.0, 0.0},
        {std::numeric_limits<double>::quiet_NaN(), 0.0},
        {std::numeric_limits<double>::infinity(), 0.0},
        {3.0, 3.0},
    };
    for (const Case& c : cases) {
        platform::setTimeScale(c.requested);
        EXPECT_EQ(platform::timeScale(), c.expected) << "after " << c.requested;
    }
}
