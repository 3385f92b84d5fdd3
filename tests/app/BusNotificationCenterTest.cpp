#include "app/BusNotificationCenter.h"
#include "app/BusTestSupport.h"

#include <QDBusMessage>
#include <gtest/gtest.h>

using namespace testing_support;
using platform::PlistValue;

namespace {

struct Received {
    std::string name;
    std::optional<std::string> object;
    PlistValue userInfo;
};

DistributedNotificationCenter::Observer recordInto(std::vector<Received>& log)
{
    return [&log](const std::string& name, const std::optional<std::string>& object,
                  const PlistValue& userInfo) { log.push_back({name, object, userInfo}); };
}

PlistValue dictionary(PlistValue::Dictionary entries)
{
    return PlistValue(std::move(entries));
}

} // namespace

TEST(BusNotificationCenter, NotificationsTravelBetweenConnections)
{
    auto poster = BusNotificationCenter::create(PrivateBus::connect("poster"));
    auto listener = BusNotificationCenter::create(PrivateBus::connect("listener"));
    ASSERT_NE(poster, nullptr);
    ASSERT_NE(listener, nullptr);
    std::vector<Received> heard, echoed;
    listener->addObserver("com.example.Moved", recordInto(heard));
    poster->addObserver("com.example.Moved", recordInto(echoed));

    ASSERT_TRUE(poster->post("com.example.Moved", "/Trash/Foo.app", dictionary({{"n", 7}})));
    ASSERT_TRUE(runEventsUntil([&] { return heard.size() == 1 && echoed.size() == 1; }));
    EXPECT_EQ(heard[0].name, "com.example.Moved");
    EXPECT_EQ(heard[0].object, "/Trash/Foo.app");
    EXPECT_EQ(heard[0].userInfo, dictionary({{"n", 7}}));
}
