#include "shell/DistributedNotificationCenter.h"

#include "platform/MainQueue.h"
#include "shell/LocalDistributedNotificationCenter.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using platform::MainQueue;
using platform::PlistValue;

namespace {

constexpr auto kPatience = std::chrono::seconds(10);

// Each call as "observer: name object", or "NOT ON MAIN" when it ran elsewhere.
DistributedNotificationCenter::Observer recordInto(std::vector<std::string>& log, std::string who,
                                                   std::vector<PlistValue>* infos = nullptr) {
    return [&log, who, infos](const std::string& name, const std::optional<std::string>& object,
                              const PlistValue& userInfo) {
        log.push_back(MainQueue::shared().isCurrentThread()
                          ? who + ": " + name + " " + object.value_or("(none)")
                          : "NOT ON MAIN");
        if (infos)
            infos->push_back(userInfo);
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
    std::vector<std::string> log;
    std::vector<PlistValue> infos;
    center->addObserver("com.example.A", recordInto(log, "first", &infos));
    center->addObserver("com.example.B", recordInto(log, "other name", &infos));
    center->addObserver("", recordInto(log, "everything"));
    center->addObserver("com.example.A", recordInto(log, "second"));
    EXPECT_EQ(center->addObserver("com.example.A", nullptr), 0u);

    ASSERT_TRUE(center->post("com.example.A", "/F.app", dictionary({{"isAccessGranted", true}})));
    EXPECT_TRUE(log.empty()) << "observers must not run inside post()";
    ASSERT_TRUE(center->post("com.example.B", std::nullopt));
    settle();
    EXPECT_EQ(log, (std::vector<std::string>{
                       "first: com.example.A /F.app", "everything: com.example.A /F.app",
                       "second: com.example.A /F.app", "other name: com.example.B (none)",
                       "everything: com.example.B (none)"}));
    EXPECT_EQ(infos, (std::vector{dictionary({{"isAccessGranted", true}}), dictionary({})}))
        << "no user information arrives as an empty one";

    // Posts from other threads arrive on the main queue as well.
    log.clear();
    std::vector<std::thread> posters;
    for (int i = 0; i < 4; ++i)
        posters.emplace_back([center, i] { center->post("com.example.B", std::to_string(i)); });
    for (auto& poster : posters)
        poster.join();
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return log.size() == 8; }, kPatience));
    EXPECT_EQ(std::count(log.begin(), log.end(), "NOT ON MAIN"), 0);
}

TEST(LocalDistributedNotificationCenter, RemovedObserversAndDestroyedCentersAreNotCalledAgain) {
    std::vector<std::string> log;
    auto center = LocalDistributedNotificationCenter::create();
    auto removedBeforeDelivery = center->addObserver("n", recordInto(log, "removed early"));
    DistributedNotificationCenter::ObserverToken victim = 0;
    center->addObserver("n", [&](const auto&, const auto&, const auto&) {
        log.push_back("remover");
        center->removeObserver(victim);
    });
    victim = center->addObserver("n", recordInto(log, "victim"));
    ASSERT_TRUE(center->post("n", std::nullopt));
    center->removeObserver(removedBeforeDelivery); // the notification is already queued
    settle();
    EXPECT_EQ(log, std::vector<std::string>{"remover"});

    auto gone = LocalDistributedNotificationCenter::create();
    gone->addObserver("n", recordInto(log, "gone"));
    ASSERT_TRUE(gone->post("n", std::nullopt));
    gone.reset();
    settle();
    EXPECT_EQ(log.size(), 1u);
}
