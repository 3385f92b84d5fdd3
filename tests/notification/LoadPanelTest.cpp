#include "ControllerTestFixture.h"
#include "faults/FaultTestSupport.h"
#include "notification/RemovedAppDisplayItem.h"
#include "notification/RemovedAppList.h"
#include "notification/WatcherOfferYesCustomButton.h"
#include "shell/WatcherMessage.h"
#include "support/ThreadTestSupport.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <set>

using panel_test::RichNotificationWCTest;
using panel_test::sizeText;
using panel_test::text;
using namespace std::chrono_literals;

namespace {

// The panel as the helper runs it: the main queue is drained by the Qt event loop between its
// own events, and a timer that is due at every turn counts the turns.
class LoadPanelTest : public RichNotificationWCTest {
protected:
    void SetUp() override {
        RichNotificationWCTest::SetUp();
        // Every arrival logs that its leftovers are ready and the offscreen platform warns at
        // every showing that it cannot raise the panel or fade it in; a thousand of each say
        // nothing here.
        testing::internal::CaptureStderr();
        platform::MainQueue::shared().setHostHook([] {
            QMetaObject::invokeMethod(
                qApp, [] { platform::MainQueue::shared().drain(); }, Qt::QueuedConnection);
        });
        QObject::connect(&m_turns, &QTimer::timeout, [this] { ++m_turnCount; });
        m_turns.start(0);
    }

    void TearDown() override {
        m_turns.stop();
        // Reports still queued after a failure must not outlive the fixture they count in.
        platform::MainQueue::shared().drain();
        platform::MainQueue::shared().setHostHook({});
        testing::internal::GetCapturedStderr();
        RichNotificationWCTest::TearDown();
    }

    // Turns the event loop until `done` holds, nothing waits on the main queue, and the loop
    // has turned at least once more.
    // The turn timer keeps every pass short, so no pass waits for events.
    bool turnUntil(const std::function<bool()>& done) {
        const std::uint64_t from = m_turnCount;
        const QDeadlineTimer deadline(60000);
        // The panel's updates may wait for the end of the main queue.
        const auto settled = [&] {
            return m_turnCount > from && done() && !platform::MainQueue::shared().hasWaitingTasks();
        };
        while (!settled() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        return settled();
    }

    // Posts a size report for the entry to the main queue, as the size calculator does.
    void postReport(const std::shared_ptr<panel_test::TestRemains>& remains, std::uint64_t bytes) {
        platform::MainQueue::shared().async([this, remains, bytes] {
            remains->report(bytes);
            ++m_reports;
        });
    }

    void expectPanelFor(std::size_t apps, std::uint64_t totalBytes) {
        RichNotificationWindow& panel = window();
        // The list is 107 points high whatever it holds; its rows scroll.
        EXPECT_EQ(panel.size(), QSize(415, 255));
        EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(panel.geometry()));
        EXPECT_EQ(panel.appsContainer()->height(), 107);
        const std::string count = std::to_string(apps);
        EXPECT_EQ(text(panel.titleLabel()),
                  "Would you like to uninstall " + count + " applications completely?");
        const std::string description = text(panel.subtitleLabel());
        EXPECT_EQ(description.rfind(count + " applications were moved", 0), 0u) << description;
        EXPECT_NE(description.find(sizeText(totalBytes)), std::string::npos) << description;
        ASSERT_EQ(m_controller->appList()->appsCount(), static_cast<int>(apps));
        EXPECT_EQ(m_controller->appList()->items().back()->size().toStdString(),
                  sizeText(totalBytes / apps));
    }

    QTimer m_turns;
    std::uint64_t m_turnCount{0};
    std::size_t m_reports{0};
};

} // namespace

// A thousand applications reach the Trash together, their sizes arrive in a burst, and they are
// uninstalled; then a thousand arrive one by one, each with its size. The event loop turns
// between the arrivals and reports, the panel keeps its size with the list scrolling inside it,
// the texts count every application, "Uninstall" hands over all of them, and what the panel
// keeps per application is small.
TEST_F(LoadPanelTest, AThousandApplicationsKeepThePanelSmallAndResponsive) {
    constexpr std::size_t kApps = 1000;
    constexpr std::uint64_t kBytesPerReport = 3000;
    std::vector<std::shared_ptr<platform::Bundle>> apps;
    for (std::size_t index = 0; index < kApps; ++index)
        apps.push_back(
            app("App " + std::to_string(index), "com.example.load" + std::to_string(index)));
    ASSERT_TRUE(turnUntil([] { return true; }));
    const std::uint64_t residentBefore = testing_support::residentKiB();

    {
        testing_support::Watchdog watchdog("a thousand applications at once", 240s);
        for (const auto& bundle : apps)
            m_controller->showNotificationForApp(bundle);
        ASSERT_TRUE(turnUntil([&] { return m_controller->removeInfo().size() == kApps; }));
        ASSERT_EQ(m_provider->made.size(), kApps);
        // Three leftovers measured per application, the reports of the entries interleaved.
        for (int round = 0; round < 3; ++round)
            for (const auto& remains : m_provider->made)
                postReport(remains, kBytesPerReport);
        ASSERT_TRUE(turnUntil([&] { return m_reports == 3 * kApps; }));
    }
    EXPECT_EQ(m_controller->otheAppCount(), static_cast<std::int64_t>(kApps) - 1);
    expectPanelFor(kApps, 3 * kBytesPerReport * kApps);

    QTest::mouseClick(window().completeUninstallButton(), Qt::LeftButton);
    ASSERT_EQ(m_workspace->opened.size(), 1u);
    const auto items =
        WatcherMessage::parse(testing_support::readFile(m_workspace->opened[0].path));
    ASSERT_TRUE(items);
    std::set<std::string> handedOver;
    for (const auto& item : *items)
        handedOver.insert(item->path());
    EXPECT_EQ(handedOver.size(), 3 * kApps);
    for (const auto& bundle : apps)
        EXPECT_TRUE(handedOver.contains(bundle->bundlePath())) << bundle->bundlePath();
    EXPECT_FALSE(m_controller->isActive());

    {
        testing_support::Watchdog watchdog("a thousand applications one by one", 240s);
        m_reports = 0;
        for (std::size_t index = 0; index < kApps; ++index) {
            m_controller->showNotificationForApp(apps[index]);
            ASSERT_TRUE(turnUntil([&] { return m_controller->removeInfo().size() == index + 1; }))
                << index;
            postReport(m_provider->made.back(), 3 * kBytesPerReport);
            ASSERT_TRUE(turnUntil([&] { return m_reports == index + 1; })) << index;
        }
    }
    expectPanelFor(kApps, 3 * kBytesPerReport * kApps);

    // A row costs a few widgets and two short texts; the icons are shared. 64 MiB is far
    // beyond that, yet a panel that kept a list per update would exceed it.
    if (testing_support::kResidentSetIsMeaningful) {
        EXPECT_LT(testing_support::residentKiB(), residentBefore + 64 * 1024) << residentBefore;
    }
    m_controller->onNotificationClose();
}
