#include "app/SingleInstance.h"

#include "app/ApplicationBusClient.h"
#include "app/ApplicationBusName.h"
#include "app/ApplicationService.h"
#include "app/BusTestSupport.h"
#include "shell/WatcherSettings.h"
#include "support/Sandbox.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// Calls a method of org.freedesktop.Application without blocking this thread,
// which has to answer it when the service lives in this very process.
QDBusMessage callApplication(const QDBusConnection& connection, const std::string& name,
                             const QString& method, const QList<QVariant>& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromStdString(name),
                                                       ApplicationBusName::objectPath(name),
                                                       ApplicationBusName::kInterface, method);
    call.setArguments(arguments);
    QDBusPendingCall pending = connection.asyncCall(call);
    EXPECT_TRUE(runEventsUntil([&] { return pending.isFinished(); }));
    return pending.reply();
}

bool waitUntilOwned(const std::string& name, bool owned, ChildProgram* program = nullptr) {
    return testing_support::waitUntilOwned(PrivateBus::connect("watcher"), name, owned, program);
}

} // namespace

TEST(ApplicationBusName, DerivesObjectPathsAndChecksNames) {
    EXPECT_EQ(ApplicationBusName::objectPath(kHelper), "/com/halvorn/Sweepwise_SIII_Helper");
    EXPECT_EQ(ApplicationBusName::objectPath("org.example.app_2"), "/org/example/app_2");

    const std::pair<std::string, bool> cases[] = {{kHelper, true},
                                                  {"org.example.Foo-Bar_2", true},
                                                  {"single", false},
                                                  {".a.b", false},
                                                  {"a..b", false},
                                                  {"org.7zip.App", false},
                                                  {"org.example.Foo Bar", false},
                                                  {":1.42", false},
                                                  {"a." + std::string(254, 'b'), false},
                                                  {"a." + std::string(253, 'b'), true}};
    for (const auto& [name, valid] : cases)
        EXPECT_EQ(ApplicationBusName::isValid(name), valid) << name;
}

TEST(ApplicationService, ServesOpenActivateAndRefusesActions) {
    const std::string name = "com.example.Served";
    QDBusConnection own = PrivateBus::connect("served");
    QDBusConnection other = PrivateBus::connect("caller");
    auto service = ApplicationService::claim(own, name);
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(ApplicationService::claim(other, name), nullptr) << "the name is taken";
    EXPECT_EQ(ApplicationService::claim(other, "not a name"), nullptr);

    // Files that arrive before there is a handler wait for it.
    QStringList uris{"file:///early.msgforsahelp", "file:///cut%2", "file:///bad%zz"};
    ASSERT_EQ(callApplication(other, name, "Open", {uris, QVariantMap()}).type(),
              QDBusMessage::ReplyMessage);
    std::vector<std::vector<std::string>> opened;
    int activations = 0;
    service->setOpenHandler(
        [&](const std::vector<std::string>& paths) { opened.push_back(paths); });
    service->setActivateHandler([&] { ++activations; });
    ASSERT_TRUE(runEventsUntil([&] { return opened.size() == 1; }));
    EXPECT_EQ(opened[0], std::vector<std::string>{"/early.msgforsahelp"});

    // Only local files get through, decoded.
    uris = {"file:///Users/a%20b/M%C3%BCll%25.msgforsahelp", "https://example.com/x",
            "file://host/x", "file:///nul%00byte", "file://localhost/ok"};
    ASSERT_EQ(callApplication(other, name, "Open", {uris, QVariantMap()}).type(),
              QDBusMessage::ReplyMessage);
    ASSERT_TRUE(runEventsUntil([&] { return opened.size() == 2; }));
    EXPECT_EQ(opened[1], (std::vector<std::string>{"/Users/a b/Müll%.msgforsahelp", "/ok"}));

    ASSERT_EQ(callApplication(other, name, "Activate", {QVariantMap()}).type(),
              QDBusMessage::ReplyMessage);
    ASSERT_TRUE(runEventsUntil([&] { return activations == 1; }));

    QDBusMessage refused = callApplication(other, name, "ActivateAction",
                                           {QStringLiteral("quit"), QVariantList(), QVariantMap()});
    EXPECT_EQ(refused.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(refused.errorName(), "org.freedesktop.DBus.Error.InvalidArgs");

    service.reset();
    EXPECT_TRUE(waitUntilOwned(name, false)) << "destroying the service gives the name up";
    EXPECT_NE(ApplicationService::claim(other, name), nullptr);
}

TEST(SingleInstance, ClaimsTheNameOnceItsOwnerIsGone) {
    QDBusConnection bus = PrivateBus::connect("single");
    auto helper = std::make_unique<ChildProgram>(helperExecutable(), std::vector<std::string>{},
                                                 programEnvironment());
    ASSERT_TRUE(waitUntilOwned(kHelper, true, helper.get())) << helper->standardError();

    EXPECT_FALSE(SingleInstance::claimOrForward(bus, kHelper, {"/handed/over"}));
    EXPECT_EQ(SingleInstance::service(), nullptr);
    EXPECT_TRUE(helper->waitForOutput("sweepwise: app: open /handed/over"));

    helper.reset();
    ASSERT_TRUE(waitUntilOwned(kHelper, false));
    EXPECT_TRUE(SingleInstance::claimOrForward(bus, kHelper, {}));
    ASSERT_NE(SingleInstance::service(), nullptr);
    EXPECT_EQ(ApplicationBusClient::processIdentifier(bus, kHelper), getpid());
    SingleInstance::release();
    EXPECT_EQ(SingleInstance::service(), nullptr);
    EXPECT_TRUE(waitUntilOwned(kHelper, false));

    // A name that cannot be on the bus leaves the program to run alone.
    EXPECT_TRUE(SingleInstance::claimOrForward(bus, "not a bus name", {}));
    EXPECT_EQ(SingleInstance::service(), nullptr);
}
