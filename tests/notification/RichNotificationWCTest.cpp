#include "ControllerTestFixture.h"
#include "notification/ColoredView.h"
#include "notification/HelpButton.h"
#include "notification/ImageView.h"
#include "notification/RemovedAppDisplayItem.h"
#include "notification/RemovedAppList.h"
#include "notification/WatcherOfferNoCustomButton.h"
#include "notification/WatcherOfferYesCustomButton.h"
#include "notification/WorkspaceIcon.h"
#include "shell/Consts.h"
#include "shell/WatcherMessage.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QUrl>

using panel_test::RichNotificationWCTest;
using panel_test::sizeText;
using panel_test::text;
using testing_support::readFile;
using testing_support::Sandbox;

namespace {

// Stands in for the desktop's browser: receives the addresses the panel opens.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls.append(url); }
};

} // namespace

TEST_F(RichNotificationWCTest, OneApplicationShowsThePanelInTheCornerAndMoreShowTheList) {
    const auto foo = app("Foo", "com.example.foo");
    offer(foo, 1);
    RichNotificationWindow& panel = window();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(panel.geometry().topRight(), screen.topRight() + QPoint(-20, 40));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_FALSE(panel.isActiveWindow());
    // The offscreen platform draws nothing translucent but keeps the property.
    EXPECT_LT(panel.windowOpacity(), 1.0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.windowOpacity() == 1.0; }, 5000));
    EXPECT_EQ(text(panel.titleLabel()), "Would you like to uninstall Foo completely?");
    EXPECT_EQ(panel.appIconImgView()->image(), WorkspaceIcon::iconForFile(foo->bundlePath()));
    EXPECT_EQ(panel.closeButton()->title(), "Ignore");
    EXPECT_EQ(panel.completeUninstallButton()->title(), "Uninstall");
    EXPECT_EQ(m_controller->appList()->appsCount(), 0);
    EXPECT_EQ(panel.appsContainer()->height(), 0);

    offer(app("bar", "com.example.bar"), 2);
    EXPECT_FALSE(m_provider->searchedOnMainThread);
    EXPECT_EQ(m_controller->otheAppCount(), 1);
    EXPECT_EQ(m_controller->appList()->appsCount(), 2);
    EXPECT_GT(panel.appsContainer()->height(), 0);
    EXPECT_EQ(panel.geometry().topRight(), screen.topRight() + QPoint(-20, 40));
    EXPECT_EQ(text(panel.titleLabel()), "Would you like to uninstall 2 applications completely?");
    EXPECT_EQ(text(panel.subtitleLabel()).rfind("2 applications", 0), 0u);
    EXPECT_EQ(panel.appIconImgView()->image(), WorkspaceIcon::helperApplicationIcon());

    // A screen that changes size takes the panel back to its corner.
    const QPoint corner = panel.pos();
    panel.move(0, 0);
    QScreen* primary = QGuiApplication::primaryScreen();
    emit primary->geometryChanged(primary->geometry());
    EXPECT_EQ(panel.pos(), corner);
}

TEST_F(RichNotificationWCTest, ASecondApplicationCountsBeforeTheFirstSearchEnds) {
    const auto foo = app("Foo", "com.example.foo");
    m_provider->hold(foo->bundlePath());
    m_controller->showNotificationForApp(foo);
    ASSERT_TRUE(waitFor([&] { return m_controller->isActive(); }));
    offer(app("Bar", "com.example.bar"), 1);

    // The panel first appears with the plural texts, listing the one entry ready.
    EXPECT_EQ(text(window().titleLabel()),
              "Would you like to uninstall 2 applications completely?");
    EXPECT_EQ(m_controller->appList()->appsCount(), 1);
    m_provider->release(foo->bundlePath());
    ASSERT_TRUE(waitFor([&] { return m_controller->appList()->appsCount() == 2; }));
}

TEST_F(RichNotificationWCTest, OnePathIsAcceptedOnceAndOneIdentifierSharesOneEntry) {
    m_provider->approveOnCallingThread = true;
    const auto foo = app("Foo", "com.example.foo");
    offer(foo, 1);
    m_controller->showNotificationForApp(platform::Bundle::create(foo->bundlePath()));
    const auto copy = app("Foo", "com.example.foo", Sandbox::process().makeFolder("copy"));
    offer(copy, 1);
    ASSERT_TRUE(waitFor([&] { return m_provider->made[0]->bundles().size() == 2; }));

    EXPECT_EQ(m_controller->removedApps().size(), 2u);
    ASSERT_EQ(m_provider->made.size(), 1u);
    EXPECT_EQ(m_provider->made[0]->bundles(),
              (std::vector<std::string>{foo->bundlePath(), copy->bundlePath()}));
    // Two applications in the texts, one row in the list, which is shown.
    EXPECT_EQ(text(window().titleLabel()),
              "Would you like to uninstall 2 applications completely?");
    EXPECT_EQ(m_controller->appList()->appsCount(), 1);
}

TEST_F(RichNotificationWCTest, TextsFollowTheSizesAsTheyArrive) {
    offer(app("Foo", "com.example.foo"), 1);
    auto& foo = *m_provider->made[0];
    foo.report(1500000);
    EXPECT_NE(text(window().subtitleLabel()).find(sizeText(1500000)), std::string::npos);

    offer(app("Bar", "com.example.bar"), 2);
    auto& bar = *m_provider->made[1];
    const auto rowSize = [&](int row) {
        auto* list = m_controller->appList();
        return list->items()[static_cast<std::size_t>(row)]->size().toStdString();
    };
    EXPECT_EQ(rowSize(0), sizeText(1500000));
    EXPECT_EQ(rowSize(1), "");

    // Reports may come from entries in any order; the description shows the sum.
    bar.report(2000000);
    foo.report(500000);
    EXPECT_NE(text(window().subtitleLabel()).find(sizeText(4000000)), std::string::npos);
    EXPECT_EQ(rowSize(0), sizeText(2000000));
    EXPECT_EQ(rowSize(1), sizeText(2000000));
}

TEST_F(RichNotificationWCTest, UninstallHandsEveryPathToTheMainApplication) {
    const auto foo = app("Foo", "com.example.foo");
    const auto bar = app("Bar", "com.example.Bar");
    offer(foo, 1);
    offer(bar, 2);

    QTest::mouseClick(window().completeUninstallButton(), Qt::LeftButton);
    ASSERT_EQ(m_workspace->opened.size(), 1u);
    EXPECT_EQ(m_workspace->opened[0].appPath, "/Running/Sweepwise.app/Contents/MacOS/Sweepwise");
    const auto items = WatcherMessage::parse(readFile(m_workspace->opened[0].path));
    ASSERT_TRUE(items);
    std::vector<std::pair<std::string, std::int32_t>> sent;
    for (const auto& item : *items)
        sent.emplace_back(item->path(), item->type());
    const std::vector<std::pair<std::string, std::int32_t>> expected{
        {foo->bundlePath(), 0},
        {"/leftovers/Library/Caches/com.example.foo", 8},
        {"/leftovers/Library/Preferences/com.example.foo.plist", 10},
        {bar->bundlePath(), 0},
        {"/leftovers/Library/Caches/com.example.Bar", 8},
        {"/leftovers/Library/Preferences/com.example.Bar.plist", 10}};
    EXPECT_EQ(sent, expected);
    EXPECT_EQ((*items)[3]->bundleId(), "com.example.bar");

    EXPECT_FALSE(m_controller->isActive());
    EXPECT_TRUE(m_controller->removedApps().empty());
    EXPECT_FALSE(window().isVisible());
}

TEST_F(RichNotificationWCTest, IgnoreEndsTheNotificationAndTheNextStartsAfresh) {
    const auto foo = app("Foo", "com.example.foo");
    offer(foo, 1);
    offer(app("Bar", "com.example.bar"), 2);

    QTest::mouseClick(window().closeButton(), Qt::LeftButton);
    EXPECT_TRUE(m_workspace->opened.empty());
    EXPECT_FALSE(m_controller->isActive());
    EXPECT_TRUE(m_controller->removeInfo().empty());
    EXPECT_TRUE(m_controller->removedApps().empty());
    EXPECT_FALSE(window().isVisible());
    // A size report after the end finds no notification open.
    m_provider->made[0]->report(4096);
    EXPECT_EQ(text(window().subtitleLabel()), "");

    // The same bundle opens a new notification of one application; the panel keeps
    // the normal level it was given when it was hidden.
    offer(foo, 1);
    EXPECT_EQ(m_controller->otheAppCount(), 0);
    EXPECT_EQ(text(window().titleLabel()), "Would you like to uninstall Foo completely?");
    EXPECT_EQ(window().level(), WindowLevel::normal);

    UrlRecorder browser;
    QDesktopServices::setUrlHandler("https", &browser, "open");
    QTest::mouseClick(window().helpButton(), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("https");
    EXPECT_EQ(browser.urls, QList<QUrl>{QUrl(QString::fromStdString(
                                Consts::GetInstance().getCustomNotificationHelpURL()))});
    EXPECT_EQ(window().level(), WindowLevel::floating);
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(m_controller->isActive());
}

TEST_F(RichNotificationWCTest, UnapprovedApplicationsLeaveTheNotificationAsItWas) {
    m_provider->refuse("com.example.installed");
    m_controller->showNotificationForApp(nullptr);
    m_controller->showNotificationForApp(app("Installed", "com.example.installed"));
    m_controller->showNotificationForApp(app("NoIdentifier", ""));
    ASSERT_TRUE(waitFor([&] { return m_provider->eligibilityChecks == 2; }));
    platform::MainQueue::shared().drain();
    EXPECT_FALSE(m_controller->isActive());
    EXPECT_FALSE(m_controller->isWindowLoaded());

    offer(app("Foo", "com.example.foo"), 1);
    m_controller->showNotificationForApp(app("Installed", "com.example.installed"));
    ASSERT_TRUE(waitFor([&] { return m_provider->eligibilityChecks == 4; }));
    platform::MainQueue::shared().drain();
    EXPECT_EQ(m_controller->otheAppCount(), 0);
    EXPECT_EQ(m_controller->removedApps().size(), 1u);
}

TEST_F(RichNotificationWCTest, ASearchEndingAfterItsNotificationDoesNotBringThePanelBack) {
    offer(app("Foo", "com.example.foo"), 1);
    const auto bar = app("Bar", "com.example.bar");
    m_provider->hold(bar->bundlePath());
    m_controller->showNotificationForApp(bar);
    ASSERT_TRUE(waitFor([&] { return m_controller->otheAppCount() == 1; }));

    QTest::mouseClick(window().closeButton(), Qt::LeftButton);
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watched = token;
    m_provider->attachToken(std::move(token));
    m_provider->release(bar->bundlePath());
    // The token ends when the controller has dropped Bar's result.
    ASSERT_TRUE(waitFor([&] { return watched.expired(); }));
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(m_controller->removeInfo().empty());
}

TEST_F(RichNotificationWCTest, WorkLeftBehindByAGoneControllerIsDropped) {
    offer(app("Foo", "com.example.foo"), 1);
    const auto bar = app("Bar", "com.example.bar");
    m_provider->hold(bar->bundlePath());
    m_controller->showNotificationForApp(bar);
    offer(app("Baz", "com.example.baz"), 2);
    ASSERT_EQ(m_controller->otheAppCount(), 2);

    m_controller.reset();
    // The entries outlive the controller that listened to them.
    for (const auto& entry : m_provider->made)
        entry->report(1000);
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watched = token;
    m_provider->attachToken(std::move(token));
    m_provider->release(bar->bundlePath());
    ASSERT_TRUE(waitFor([&] { return watched.expired(); }));
    EXPECT_EQ(m_provider->made.size(), 2u);
}

#include "RichNotificationWCTest.moc"
