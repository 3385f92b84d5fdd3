#include "app/BusNotificationCenter.h"

#include "app/BusTestSupport.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

using namespace testing_support;
using platform::PlistValue;

namespace {

struct Received {
    std::string name;
    std::optional<std::string> object;
    PlistValue userInfo;
};

DistributedNotificationCenter::Observer recordInto(std::vector<Received>& log) {
    return [&log](const std::string& name, const std::optional<std::string>& object,
                  const PlistValue& userInfo) {
        log.push_back({name, object, userInfo});
    };
}

PlistValue dictionary(PlistValue::Dictionary entries) {
    return PlistValue(std::move(entries));
}

// Two programs on one bus: each test gets connections of its own.
class BusNotificationCenterTest : public testing::Test {
protected:
    void SetUp() override {
        m_prefix = QString::fromUtf8(testing::UnitTest::GetInstance()->current_test_info()->name());
        poster = BusNotificationCenter::create(PrivateBus::connect(m_prefix + "-poster"));
        listener = BusNotificationCenter::create(PrivateBus::connect(m_prefix + "-listener"));
        ASSERT_TRUE(poster && listener);
    }

    void TearDown() override {
        poster.reset();
        listener.reset();
        PrivateBus::disconnect(m_prefix + "-poster");
        PrivateBus::disconnect(m_prefix + "-listener");
    }

    // Sends a signal as a program we did not write might, with any arguments.
    void sendRaw(const QList<QVariant>& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(BusNotificationCenter::kPath,
                                                         BusNotificationCenter::kInterface,
                                                         BusNotificationCenter::kSignal);
        signal.setArguments(arguments);
        ASSERT_TRUE(PrivateBus::connect(m_prefix + "-poster").send(signal));
    }

    std::shared_ptr<BusNotificationCenter> poster;
    std::shared_ptr<BusNotificationCenter> listener;
    QString m_prefix;
};

} // namespace

TEST_F(BusNotificationCenterTest, NotificationsReachObserversOfTheirNameInEveryProgram) {
    std::vector<Received> heard, echoed, otherName, everything;
    auto token = listener->addObserver("com.example.Moved", recordInto(heard));
    listener->addObserver("com.example.Other", recordInto(otherName));
    listener->addObserver("", recordInto(everything));
    poster->addObserver("com.example.Moved", recordInto(echoed));

    ASSERT_TRUE(poster->post("com.example.Moved", "/Trash/Foo.app", dictionary({{"n", 7}})));
    ASSERT_TRUE(poster->post("com.example.Moved", std::nullopt));
    ASSERT_TRUE(runEventsUntil([&] { return heard.size() == 2 && echoed.size() == 2; }));
    EXPECT_EQ(heard[0].name, "com.example.Moved");
    EXPECT_EQ(heard[0].object, "/Trash/Foo.app");
    EXPECT_EQ(heard[0].userInfo, dictionary({{"n", 7}}));
    EXPECT_EQ(heard[1].object, std::nullopt) << "no object must not arrive as an empty string";
    EXPECT_EQ(heard[1].userInfo, dictionary({}));
    EXPECT_EQ(echoed[0].object, "/Trash/Foo.app") << "the poster hears itself, as on the platform";

    // After removal nothing more arrives; the catch-all observer proves that the
    // last notification did.
    listener->removeObserver(token);
    ASSERT_TRUE(poster->post("com.example.Moved", "after removal"));
    ASSERT_TRUE(runEventsUntil([&] { return everything.size() == 3; }));
    EXPECT_EQ(heard.size(), 2u);
    EXPECT_TRUE(otherName.empty());
}

TEST_F(BusNotificationCenterTest, UserInformationKeepsItsKinds) {
    const std::uint8_t rawBytes[] = {0, 1, 0xFE, 0xFF};
    struct Case {
        const char* what;
        PlistValue sent;
        PlistValue expected;
    };
    const PlistValue nested = dictionary(
        {{"list", PlistValue(PlistValue::Array{PlistValue(true), PlistValue("x"), PlistValue(2)})},
         {"inner", dictionary({{"flag", false}})}});
    const Case cases[] = {
        {"true", true, true},
        {"largest integer", std::numeric_limits<std::int64_t>::max(),
         std::numeric_limits<std::int64_t>::max()},
        {"whole real stays real", 2.0, 2.0},
        {"text", "Grüße, 世界", "Grüße, 世界"},
        {"data", PlistValue::Data(std::begin(rawBytes), std::end(rawBytes)),
         PlistValue::Data(std::begin(rawBytes), std::end(rawBytes))},
        {"nested", nested, nested},
        {"date arrives as seconds", PlistValue::Date{12.5}, 12.5},
        {"archive reference arrives as integer", PlistValue::Uid{3}, 3},
    };
    PlistValue::Dictionary sent, expected;
    for (const Case& c : cases) {
        sent[c.what] = c.sent;
        expected[c.what] = c.expected;
    }
    std::vector<Received> heard;
    listener->addObserver("com.example.Kinds", recordInto(heard));
    ASSERT_TRUE(poster->post("com.example.Kinds", std::nullopt, dictionary(sent)));
    ASSERT_TRUE(runEventsUntil([&] { return !heard.empty(); }));
    EXPECT_EQ(heard[0].userInfo, dictionary(expected));
}

TEST_F(BusNotificationCenterTest, ForeignValuesAreReadAsWellAsTheyCanBeAndOtherShapesIgnored) {
    QDBusArgument structure;
    structure.beginStructure();
    structure << 7 << QStringLiteral("seven");
    structure.endStructure();
    QDBusArgument integerKeys;
    integerKeys.beginMap(QMetaType::fromType<int>(), QMetaType::fromType<QString>());
    integerKeys.beginMapEntry();
    integerKeys << 5 << QStringLiteral("five");
    integerKeys.endMapEntry();
    integerKeys.endMap();
    QDBusArgument doubles;
    doubles << QList<double>{0.5, 1.5};

    struct Case {
        const char* key;
        QVariant sent;
        PlistValue expected;
    };
    const Case cases[] = {
        {"byte", QVariant::fromValue<uchar>(200), 200},
        {"uint32", QVariant::fromValue<uint>(4000000000u), std::int64_t(4000000000)},
        {"object path", QVariant::fromValue(QDBusObjectPath("/a/b")), "/a/b"},
        {"variant in variant", QVariant::fromValue(QDBusVariant(true)), true},
        {"string list", QStringList{"a", "b"}, PlistValue::Array{PlistValue("a"), PlistValue("b")}},
        {"structure", QVariant::fromValue(structure),
         PlistValue::Array{PlistValue(7), PlistValue("seven")}},
        {"integer keys", QVariant::fromValue(integerKeys), dictionary({{"5", "five"}})},
        {"array of doubles", QVariant::fromValue(doubles),
         PlistValue::Array{PlistValue(0.5), PlistValue(1.5)}},
    };
    QVariantMap info;
    PlistValue::Dictionary expected;
    for (const Case& c : cases) {
        info.insert(c.key, c.sent);
        expected[c.key] = c.expected;
    }
    // Signals of another shape are ignored. Signals of one sender arrive in order, so once
    // the well-formed one is here every malformed one before it has been dealt with.
    const QList<QVariant> malformed[] = {
        {QStringLiteral("com.example.Shape")},
        {QStringLiteral("com.example.Shape"), QStringLiteral("object"), QVariantMap()},
        {QStringLiteral("com.example.Shape"), QStringList{}, QVariantMap(), 1},
        {QStringLiteral("com.example.Shape"), QStringList{"one", "two"}, QVariantMap()},
        {42, QStringList{}, QVariantMap()},
    };
    std::vector<Received> heard;
    listener->addObserver("", recordInto(heard));
    for (const auto& arguments : malformed)
        sendRaw(arguments);
    sendRaw({QStringLiteral("com.example.Foreign"), QStringList{}, info});
    ASSERT_TRUE(runEventsUntil([&] { return !heard.empty(); }));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].userInfo, dictionary(expected));
}

TEST_F(BusNotificationCenterTest, RefusesWhatTheBusCannotCarry) {
    const std::string withNul("a\0b", 3);
    const std::string illFormed = "\xC3\x28";
    PlistValue deep = dictionary({});
    for (int i = 0; i < 100; ++i)
        deep = dictionary({{"d", deep}});
    struct Case {
        const char* what;
        std::string name;
        std::optional<std::string> object;
        PlistValue userInfo;
    };
    const Case cases[] = {
        {"NUL in the name", withNul, std::nullopt, PlistValue()},
        {"ill-formed name", illFormed, std::nullopt, PlistValue()},
        {"NUL in the object", "n", withNul, PlistValue()},
        {"ill-formed key", "n", std::nullopt, dictionary({{illFormed, 1}})},
        {"null value", "n", std::nullopt, dictionary({{"k", PlistValue()}})},
        {"not a dictionary", "n", std::nullopt, PlistValue(PlistValue::Array{})},
        {"nested too deep", "n", std::nullopt, deep},
    };
    std::vector<Received> heard;
    listener->addObserver("", recordInto(heard));
    for (const Case& c : cases)
        EXPECT_FALSE(poster->post(c.name, c.object, c.userInfo)) << c.what;
    ASSERT_TRUE(poster->post("sentinel", std::nullopt));
    ASSERT_TRUE(runEventsUntil([&] { return !heard.empty(); }));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].name, "sentinel");
}
