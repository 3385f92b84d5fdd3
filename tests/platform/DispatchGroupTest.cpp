#include "platform/DispatchGroup.h"

#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "support/ThreadTestSupport.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using platform::DispatchGroup;
using namespace testing_support;
using std::chrono::milliseconds;

TEST(DispatchGroup, NotifiesInOrderOnceEveryEnterIsMatched) {
    platform::MainQueue main;
    auto group = DispatchGroup::create();
    std::vector<std::string> events;
    group->enter();
    group->enter();
    group->notify(main, [&] { events.push_back("first"); });
    group->notify(main, [&] { events.push_back("second"); });
    group->leave();
    EXPECT_EQ(main.drain(), 0u) << "notified with work still outstanding";
    std::thread([&] { group->leave(); }).join();
    // An empty group notifies at once; a new round starts from zero.
    group->notify(main, [&] { events.push_back("empty"); });
    group->enter();
    group->notify(main, [&] { events.push_back("next round"); });
    EXPECT_EQ(main.drain(), 3u);
    group->leave();
    EXPECT_EQ(main.drain(), 1u);
    EXPECT_EQ(events, (std::vector<std::string>{"first", "second", "empty", "next round"}));
}

TEST(DispatchGroup, TracksWorkOnSeveralQueuesAndReleasesItFirst) {
    constexpr int kPerQueue = 100;
    Watchdog watchdog("DispatchGroup async");
    auto serial = platform::SerialQueue::create("group work");
    ASSERT_TRUE(serial);
    auto group = DispatchGroup::create();
    std::atomic<int> ran{0};
    Flag gate;
    serial->async([&] { gate.wait(); });
    // A waiter may rely on a task's captures being gone: the token must go while the group
    // still counts its task.
    std::atomic<bool> releasedInTime{false};
    auto token = std::shared_ptr<int>(new int(0), [&](int* p) {
        delete p;
        releasedInTime = !group->wait(milliseconds(0));
    });
    group->async(*serial, [token] {});
    token.reset();
    gate.raise();
    ASSERT_TRUE(group->wait(kPatience));
    EXPECT_TRUE(releasedInTime.load());

    for (int i = 0; i < kPerQueue; ++i) {
        group->async(*serial, [&] { ++ran; });
        group->async(platform::globalQueue(), [&] { ++ran; });
    }
    ASSERT_TRUE(group->wait(kPatience));
    EXPECT_EQ(ran.load(), 2 * kPerQueue);
}
