#include "platform/DispatchGroup.h"

#include "ThreadTestSupport.h"
#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using platform::DispatchGroup;
using platform::MainQueue;
using testing_support::kPatience;
using testing_support::Watchdog;

TEST(DispatchGroup, NotifiesInOrderOnceEveryEnterIsMatched) {
    MainQueue main;
    auto group = DispatchGroup::create();
    std::vector<std::string> events;
    group->enter();
    group->enter();
    group->notify(main, [&] { events.push_back("first"); });
    group->notify(main, [&] { events.push_back("second"); });
    group->leave();
    EXPECT_EQ(main.drain(), 0u) << "notified with work still outstanding";
    std::thread leaver([&] { group->leave(); });
    EXPECT_TRUE(main.runUntil([&] { return events.size() == 2; }, kPatience));
    leaver.join();
    EXPECT_EQ(events, (std::vector<std::string>{"first", "second"}));

    // An empty group notifies at once, and a new round starts from zero.
    group->notify(main, [&] { events.push_back("empty"); });
    EXPECT_EQ(main.drain(), 1u);
    group->enter();
    group->notify(main, [&] { events.push_back("next round"); });
    EXPECT_EQ(main.drain(), 0u);
    group->leave();
    EXPECT_EQ(main.drain(), 1u);
    EXPECT_EQ(events.back(), "next round");
    EXPECT_EQ(events.size(), 4u);
}

TEST(DispatchGroup, WaitTimesOutWhileWorkIsOutstanding) {
    Watchdog watchdog("DispatchGroup wait");
    auto group = DispatchGroup::create();
    EXPECT_TRUE(group->wait(std::chrono::milliseconds(0)));
    group->enter();
    EXPECT_FALSE(group->wait(std::chrono::milliseconds(20)));
    std::thread leaver([&] { group->leave(); });
    EXPECT_TRUE(group->wait(std::chrono::milliseconds::max()));
    leaver.join();
}

TEST(DispatchGroup, IgnoresALeaveWithoutEnter) {
    auto group = DispatchGroup::create();
    group->leave();
    group->enter();
    EXPECT_FALSE(group->wait(std::chrono::milliseconds(0))) << "the extra leave was counted";
    group->leave();
    EXPECT_TRUE(group->wait(std::chrono::milliseconds(0)));
}

TEST(DispatchGroup, TracksWorkOnSeveralQueuesAndReleasesItFirst) {
    constexpr int kPerQueue = 100;
    Watchdog watchdog("DispatchGroup async");
    auto serial = platform::SerialQueue::create("group work");
    ASSERT_TRUE(serial);
    auto group = DispatchGroup::create();
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watched = token;
    std::atomic<int> ran{0};
    for (int i = 0; i < kPerQueue; ++i) {
        group->async(*serial, [&ran, token] { ++ran; });
        group->async(platform::globalQueue(), [&ran, token] { ++ran; });
    }
    token.reset();
    ASSERT_TRUE(group->wait(kPatience));
    EXPECT_EQ(ran.load(), 2 * kPerQueue);
    // Whoever waits for the group may rely on the tasks' captures being gone.
    EXPECT_TRUE(watched.expired());
}

TEST(DispatchGroup, DropsANotificationForADestroyedQueue) {
    Watchdog watchdog("DispatchGroup destroyed queue");
    auto serial = platform::SerialQueue::create("short-lived");
    ASSERT_TRUE(serial);
    auto group = DispatchGroup::create();
    std::atomic<bool> notified{false};
    group->enter();
    group->notify(*serial, [&] { notified = true; });
    serial.reset();
    group->leave();
    EXPECT_FALSE(notified.load());
    EXPECT_TRUE(group->wait(std::chrono::milliseconds(0)));
}
