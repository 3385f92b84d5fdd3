#include "shell/DistributedNotificationCenter.h"

#include "platform/MainQueue.h"
#include "shell/LocalDistributedNotificationCenter.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using platform::MainQueue;
using platform::PlistValue;

namespace {

constexpr auto kPatience = std::chrono::seconds(10);

struct Received {
    std::string observer;
    std::string name;
    std::optional<std::string> object;
    PlistValue userInfo;
    bool onMainThread{false};
};

DistributedNotificationCenter::Observer recordInto(std::vector<Received>& log, std::string who) {
    return [&log, who](const std::string& name, const std::optional<std::string>& object,
                       const PlistValue& userInfo) {
        log.push_back({who, name, object, userInfo, MainQueue::shared().isCurrentThread()});
    };
}

// Lets every delivery that is already queued run.
void settle() {
    bool done = false;
    MainQueue::shared().async([&done] { done = true; });
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return done; }, kPatience));
}

PlistValue dictionary(PlistValue::Dictionary entries) {
    return PlistValue(std::move(entries));
}

} // namespace

TEST(LocalDistributedNotificationCenter, DeliversByNameOnTheMainQueueInObserverOrder) {
    auto center = LocalDistributedNotificationCenter::create();
    std::vector<Received> log;
    center->addObserver("com.example.A", recordInto(log, "first"));
    center->addObserver("com.example.B", recordInto(log, "other name"));
    center->addObserver("", recordInto(log, "everything"));
    center->addObserver("com.example.A", recordInto(log, "second"));
    EXPECT_EQ(center->addObserver("com.example.A", nullptr), 0u);

    ASSERT_TRUE(center->post("com.example.A", "/Applications/Foo.app",
                             dictionary({{"isAccessGranted", true}})));
    EXPECT_TRUE(log.empty()) << "observers must not run inside post()";
    settle();

    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].observer, "first");
    EXPECT_EQ(log[1].observer, "everything");
    EXPECT_EQ(log[2].observer, "second");
    for (const Received& entry : log) {
        EXPECT_TRUE(entry.onMainThread);
        EXPECT_EQ(entry.name, "com.example.A");
        EXPECT_EQ(entry.object, "/Applications/Foo.app");
        EXPECT_EQ(entry.userInfo, dictionary({{"isAccessGranted", true}}));
    }

    log.clear();
    ASSERT_TRUE(center->post("com.example.B", std::nullopt));
    settle();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].observer, "other name");
    EXPECT_EQ(log[0].object, std::nullopt);
    EXPECT_EQ(log[0].userInfo, dictionary({})) << "no user information arrives as an empty one";
}

TEST(LocalDistributedNotificationCenter, PostsFromOtherThreadsArriveOnTheMainQueue) {
    auto center = LocalDistributedNotificationCenter::create();
    std::vector<Received> log;
    center->addObserver("com.example.Ping", recordInto(log, "main"));
    std::vector<std::thread> posters;
    for (int i = 0; i < 4; ++i)
        posters.emplace_back([center, i] { center->post("com.example.Ping", std::to_string(i)); });
    for (auto& poster : posters)
        poster.join();
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return log.size() == 4; }, kPatience));
    for (const Received& entry : log)
        EXPECT_TRUE(entry.onMainThread);
}

TEST(LocalDistributedNotificationCenter, RemovedObserversAndDestroyedCentersAreNotCalledAgain) {
    std::vector<Received> log;
    auto center = LocalDistributedNotificationCenter::create();
    auto removedBeforeDelivery = center->addObserver("n", recordInto(log, "removed early"));
    DistributedNotificationCenter::ObserverToken victim = 0;
    center->addObserver("n", [&](const auto&, const auto&, const auto&) {
        log.push_back({"remover", "n", std::nullopt, PlistValue(), true});
        center->removeObserver(victim);
    });
    victim = center->addObserver("n", recordInto(log, "victim"));
    ASSERT_TRUE(center->post("n", std::nullopt));
    center->removeObserver(removedBeforeDelivery); // the notification is already queued
    settle();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].observer, "remover");

    auto gone = LocalDistributedNotificationCenter::create();
    gone->addObserver("n", recordInto(log, "gone"));
    ASSERT_TRUE(gone->post("n", std::nullopt));
    gone.reset();
    settle();
    EXPECT_EQ(log.size(), 1u);
}

TEST(LocalDistributedNotificationCenter, RefusesWhatCannotBePosted) {
    PlistValue deep = dictionary({});
    for (int i = 0; i < 100; ++i)
        deep = dictionary({{"d", deep}});
    struct Case {
        const char* what;
        std::string name;
        PlistValue userInfo;
    };
    const Case cases[] = {
        {"empty name", "", PlistValue()},
        {"user information that is not a dictionary", "n", PlistValue("text")},
        {"null deep inside", "n",
         dictionary({{"key", dictionary({{"list", PlistValue::Array{1, PlistValue()}}})}})},
        {"nesting beyond the limit", "n", deep},
    };
    auto center = LocalDistributedNotificationCenter::create();
    std::vector<Received> log;
    center->addObserver("", recordInto(log, "all"));
    for (const Case& c : cases)
        EXPECT_FALSE(center->post(c.name, std::nullopt, c.userInfo)) << c.what;
    settle();
    EXPECT_TRUE(log.empty());
}
