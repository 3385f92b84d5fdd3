#include "ControllerTestFixture.h"
#include "notification/AppAppearanceManager.h"
#include "notification/FigmaPalette.h"
#include "notification/RemovedAppDisplayItem.h"
#include "notification/RemovedAppList.h"
#include "notification/WatcherOfferNoCustomButton.h"
#include "platform/SuiteDefaults.h"
#include "shell/WatcherSettings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

using panel_test::colourOf;
using panel_test::RichNotificationWCTest;
using panel_test::sizeText;
using panel_test::text;
using testing_support::Sandbox;

namespace {

// Lets the held search of `held` end, and waits until the controller has dropped its
// result, which carries a token that ends with it.
bool searchEnds(panel_test::TestRemainsProvider& provider,
                const std::shared_ptr<platform::Bundle>& held) {
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watched = token;
    provider.attachToken(std::move(token));
    provider.release(held->bundlePath());
    return platform::MainQueue::shared().runUntil([&] { return watched.expired(); },
                                                  std::chrono::seconds(10));
}

// The runs of a styled text, each marked when it has the link colour or is bold (and
// when it has neither the link nor the plain colour).
using Runs = std::vector<std::string>;
Runs runsOf(const AttributedString& string) {
    Runs runs;
    const QColor plain = FigmaPalette::colorForFigmaColor(FigmaColor::text7);
    const QColor link = FigmaPalette::colorForFigmaColor(FigmaColor::linkState);
    for (const AttributedString::Run& run : string.runs()) {
        const QColor colour = run.attributes.foregroundColor.value_or(QColor());
        const bool bold = run.attributes.font.value_or(QFont()).weight() >= QFont::Bold;
        const char* mark = colour == link ? " [link]" : colour == plain ? "" : " [?]";
        runs.push_back(run.text.toStdString() + mark + (bold ? " [bold]" : ""));
    }
    return runs;
}

} // namespace

TEST_F(RichNotificationWCTest, OneApplicationShowsThePanelInTheCornerAndMoreShowTheList) {
    const auto foo = app("Foo", "com.example.foo");
    testing::internal::CaptureStderr();
    offer(foo, 1);
    // Whoever drives the panel from outside waits for this event on the one log.
    EXPECT_NE(testing::internal::GetCapturedStderr().find("sweepwise: ui: leftovers ready for " +
                                                          foo->bundlePath() + "\n"),
              std::string::npos);
    RichNotificationWindow& panel = window();
    const QPoint corner = QGuiApplication::primaryScreen()->geometry().topRight() + QPoint(-20, 40);
    EXPECT_EQ(panel.geometry().topRight(), corner);
    EXPECT_EQ(runsOf(panel.titleLabel()->attributedText()),
              (Runs{"Would you like to uninstall ", "Foo [link]", " completely?"}));
    EXPECT_EQ(panel.appsContainer()->height(), 0);
    m_provider->made[0]->report(1500000);
    EXPECT_EQ(runsOf(panel.subtitleLabel()->attributedText()).at(2), sizeText(1500000) + " [link]");

    offer(app("bar", "com.example.bar"), 2);
    EXPECT_FALSE(m_provider->searchedOnMainThread);
    EXPECT_EQ(m_controller->appList()->appsCount(), 2);
    EXPECT_GT(panel.appsContainer()->height(), 0);
    // Several applications emphasise the count in the title and are bold in the description.
    EXPECT_EQ(runsOf(panel.titleLabel()->attributedText()),
              (Runs{"Would you like to uninstall ", "2 [link]", " applications completely?"}));
    // Reports may come from entries in any order; rows show their own, the text the sum.
    const auto rowSize = [&](std::size_t row) {
        return m_controller->appList()->items()[row]->size().toStdString();
    };
    EXPECT_EQ(rowSize(1), "");
    m_provider->made[1]->report(2000000);
    m_provider->made[0]->report(500000);
    const Runs description = runsOf(panel.subtitleLabel()->attributedText());
    ASSERT_EQ(description.size(), 4u);
    EXPECT_EQ(description[0], "2 applications [bold]");
    EXPECT_EQ(description[2], sizeText(4000000) + " [bold]");
    EXPECT_EQ(rowSize(0), sizeText(2000000));
    EXPECT_EQ(rowSize(1), sizeText(2000000));

    // A screen that changes size takes the panel back to its corner.
    panel.move(0, 0);
    emit QGuiApplication::primaryScreen()->geometryChanged(QRect(0, 0, 1280, 800));
    EXPECT_EQ(panel.geometry().topRight(), corner);
}

TEST_F(RichNotificationWCTest, OnePathIsAcceptedOnceAndOneIdentifierSharesOneEntry) {
    m_provider->approveOnCallingThread = true;
    const auto foo = app("Foo", "com.example.foo");
    offer(foo, 1);
    m_controller->showNotificationForApp(platform::Bundle::create(foo->bundlePath()));
    const auto copy = app("Foo", "com.example.foo", Sandbox::process().makeFolder("copy"));
    offer(copy, 1);
    ASSERT_TRUE(waitFor([&] { return m_provider->made[0]->bundles().size() == 2; }));
    EXPECT_EQ(m_provider->made.size(), 1u);
    // Two applications in the texts, one row in the list.
    EXPECT_EQ(text(window().titleLabel()),
              "Would you like to uninstall 2 applications completely?");
    EXPECT_EQ(m_controller->appList()->appsCount(), 1);
}

// Ignore ends the notification: a search still running for it is dropped when it ends,
// and the next application starts a new notification.
TEST_F(RichNotificationWCTest, IgnoreEndsTheNotificationAndTheNextStartsAfresh) {
    const auto foo = app("Foo", "com.example.foo");
    offer(foo, 1);
    offer(app("Bar", "com.example.bar"), 2);
    const auto baz = app("Baz", "com.example.baz");
    m_provider->hold(baz->bundlePath());
    m_controller->showNotificationForApp(baz);
    ASSERT_TRUE(waitFor([&] { return m_controller->otheAppCount() == 2; }));
    QTest::mouseClick(window().closeButton(), Qt::LeftButton);
    EXPECT_TRUE(m_workspace->opened.empty());
    EXPECT_FALSE(m_controller->isActive());
    EXPECT_TRUE(m_controller->removedApps().empty());
    ASSERT_TRUE(searchEnds(*m_provider, baz));
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(m_controller->removeInfo().empty());
    // A size report after the end finds no notification open.
    m_provider->made[0]->report(4096);
    ASSERT_TRUE(waitFor([] { return !platform::MainQueue::shared().hasWaitingTasks(); }));
    EXPECT_EQ(text(window().subtitleLabel()), "");

    // The same bundle opens a new notification of one application; the panel keeps
    // the normal level it was given when it was hidden.
    offer(foo, 1);
    EXPECT_EQ(text(window().titleLabel()), "Would you like to uninstall Foo completely?");
    EXPECT_EQ(window().level(), WindowLevel::normal);
}

TEST_F(RichNotificationWCTest, UnapprovedApplicationsLeaveTheNotificationAsItWas) {
    m_provider->refuse("com.example.installed");
    m_controller->showNotificationForApp(nullptr);
    m_controller->showNotificationForApp(app("Installed", "com.example.installed"));
    m_controller->showNotificationForApp(app("NoIdentifier", ""));
    ASSERT_TRUE(waitFor([&] { return m_provider->eligibilityChecks == 2; }));
    platform::MainQueue::shared().drain();
    EXPECT_FALSE(m_controller->isWindowLoaded());

    offer(app("Foo", "com.example.foo"), 1);
    m_controller->showNotificationForApp(app("Installed", "com.example.installed"));
    ASSERT_TRUE(waitFor([&] { return m_provider->eligibilityChecks == 4; }));
    platform::MainQueue::shared().drain();
    EXPECT_EQ(m_controller->removedApps().size(), 1u);
}

// Entries and searches outlive a controller that has gone away, and are dropped.
TEST_F(RichNotificationWCTest, WorkLeftBehindByAGoneControllerIsDropped) {
    offer(app("Foo", "com.example.foo"), 1);
    const auto bar = app("Bar", "com.example.bar");
    m_provider->hold(bar->bundlePath());
    m_controller->showNotificationForApp(bar);
    ASSERT_TRUE(waitFor([&] { return m_controller->otheAppCount() == 1; }));
    m_controller.reset();
    for (const auto& entry : m_provider->made)
        entry->report(1000);
    ASSERT_TRUE(searchEnds(*m_provider, bar));
    EXPECT_EQ(m_provider->made.size(), 1u);
}

TEST_F(RichNotificationWCTest, TextsTakeTheAppearanceChosenInTheMainApplication) {
    // The window of an earlier notification, in the system's appearance; then the
    // main application chooses dark while no panel is up.
    m_controller->window();
    AppAppearanceManager::shared().prepareBeforeAppWindowAppears(nullptr);
    const auto defaults =
        platform::SuiteDefaults::create(WatcherSettings::GetInstance().getMainAppBundleID());
    testing_support::makeDirs(Sandbox::process().home() + "/Library/Preferences");
    ASSERT_TRUE(defaults->setAppAppearanceTypeValue(2));

    // The texts are dark before any size report rebuilds them.
    offer(app("Bar", "com.example.bar"), 1);
    const QColor darkLink = *ColorAssets::shared().colorNamed("link_state", Appearance::dark);
    EXPECT_EQ(colourOf(window().titleLabel()->attributedText(), "Bar"), darkLink);
    EXPECT_EQ(colourOf(window().subtitleLabel()->attributedText(), "Bar"), darkLink);

    std::remove(defaults->path().c_str());
    AppAppearanceManager::shared().prepareBeforeAppWindowAppears(nullptr);
}

// Where no window can be placed, the presenter shows the panel's texts instead, follows
// every change of them, and is withdrawn when the notification ends; "Uninstall" hands
// the leftovers over as the panel's button does.
TEST_F(RichNotificationWCTest, APresenterTakesThePanelsPlace) {
    struct Recorder : NotificationPresenter {
        std::vector<NotificationTexts> shown;
        int withdrawn{0};
        void present(const NotificationTexts& texts) override { shown.push_back(texts); }
        void withdraw() override { ++withdrawn; }
    };
    auto recorder = std::make_shared<Recorder>();
    m_controller->setPresenter(recorder);
    const auto offer = [&](const std::shared_ptr<platform::Bundle>& bundle, std::size_t entries) {
        m_controller->showNotificationForApp(bundle);
        return waitFor([&] {
            return m_controller->removeInfo().size() == entries && !recorder->shown.empty();
        });
    };
    ASSERT_TRUE(offer(app("Foo", "com.example.foo"), 1));
    EXPECT_EQ(recorder->shown.back().title.toStdString(),
              "Would you like to uninstall Foo completely?");
    EXPECT_EQ(recorder->shown.back().uninstallTitle.toStdString(), "Uninstall");
    EXPECT_EQ(recorder->shown.back().ignoreTitle.toStdString(), "Ignore");
    m_provider->made[0]->report(1500000);
    ASSERT_TRUE(waitFor([&] {
        return recorder->shown.back().description.contains(
            QString::fromStdString(sizeText(1500000)));
    }));
    ASSERT_TRUE(offer(app("Bar", "com.example.bar"), 2));
    EXPECT_EQ(recorder->shown.back().title.toStdString(),
              "Would you like to uninstall 2 applications completely?");
    EXPECT_FALSE(m_controller->isWindowLoaded());

    m_controller->onSelectCompleteUninstall();
    EXPECT_EQ(recorder->withdrawn, 1);
    EXPECT_FALSE(m_workspace->opened.empty());
    EXPECT_FALSE(m_controller->isActive());
}
