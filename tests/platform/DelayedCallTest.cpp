#include "platform/DelayedCall.h"

#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "support/ThreadTestSupport.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using platform::DelayedCall;
using platform::MainQueue;
using namespace testing_support;
using namespace std::chrono_literals;

TEST(DelayedCall, RunsInTheOrderOfDeadlinesEvenWithoutAHandle) {
    MainQueue main;
    std::vector<int> order;
    // Made in reverse, so a timer that kept the order of the calls would fail.
    for (int delay : {600, 400, 200, 0})
        DelayedCall::after(std::chrono::milliseconds(delay), main,
                           [&, delay] { order.push_back(delay); });
    ASSERT_TRUE(main.runUntil([&] { return order.size() == 4; }, kPatience));
    EXPECT_EQ(order, (std::vector<int>{0, 200, 400, 600}));
}

// A run or cancelled call releases its task, which may have captured the handle's owner.
TEST(DelayedCall, CancelStopsTheCallUntilItsTaskStartsAndReleasesTheTask) {
    enum class When { BeforeTheDeadline, AfterTheTimerFired, InsideTheTask, AfterItRan };
    struct Case {
        When when;
        bool runs;
    };
    for (const Case& c :
         {Case{When::BeforeTheDeadline, false}, Case{When::AfterTheTimerFired, false},
          Case{When::InsideTheTask, true}, Case{When::AfterItRan, true}}) {
        SCOPED_TRACE(static_cast<int>(c.when));
        Watchdog watchdog("DelayedCall cancel");
        MainQueue main;
        Flag handedOver;
        main.setHostHook([&] { handedOver.raise(); });
        int runs = 0;
        auto token = std::make_shared<int>(0);
        std::weak_ptr<int> watched = token;
        std::shared_ptr<DelayedCall> call;
        call = DelayedCall::after(c.when == When::BeforeTheDeadline ? 1h : 0ms, main, [&, token] {
            ++runs;
            if (c.when == When::InsideTheTask)
                call->cancel();
        });
        ASSERT_TRUE(call);
        token.reset();
        if (c.when == When::AfterTheTimerFired) {
            ASSERT_TRUE(handedOver.wait()); // the call now waits on the queue
        } else if (c.when == When::AfterItRan) {
            ASSERT_TRUE(main.runUntil([&] { return runs == 1; }, kPatience));
        }
        if (c.when != When::InsideTheTask)
            call->cancel();
        EXPECT_EQ(call->isCancelled(), !c.runs);
        if (c.runs)
            main.runUntil([&] { return runs == 1; }, kPatience);
        else
            main.drain();
        EXPECT_EQ(runs, c.runs ? 1 : 0);
        EXPECT_TRUE(watched.expired());
    }
}

TEST(DelayedCall, DropsTheCallWhenItsQueueIsGone) {
    MainQueue main;
    auto serial = platform::SerialQueue::create("short-lived");
    ASSERT_TRUE(serial);
    std::atomic<bool> ran{false};
    bool sentinel = false;
    DelayedCall::after(300ms, *serial, [&] { ran = true; });
    serial.reset();
    // Calls go out in deadline order, so the dropped call has had its turn once this one ran.
    DelayedCall::after(400ms, main, [&] { sentinel = true; });
    ASSERT_TRUE(main.runUntil([&] { return sentinel; }, kPatience));
    EXPECT_FALSE(ran.load());
}
