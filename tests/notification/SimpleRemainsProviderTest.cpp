#include "notification/SimpleRemainsProvider.h"

#include "ControllerTestFixture.h"
#include "notification/WatcherOfferYesCustomButton.h"
#include "search/SimpleSizeCalculation.h"
#include "shell/WatcherMessage.h"

#include <QTest>

using panel_test::RichNotificationWCTest;
using panel_test::sizeText;
using panel_test::text;
using testing_support::makeDirs;
using testing_support::readFile;
using testing_support::Sandbox;
using testing_support::writeFile;

// The panel on the helper's own provider: real standard leftovers in the sandboxed
// home folder, measured by the size calculator, handed on in a real watcher message.
TEST_F(RichNotificationWCTest, TheHelpersProviderMeasuresAndHandsOnTheStandardLeftovers) {
    const std::string id = "com.example.measured";
    const std::string library = Sandbox::process().home() + "/Library";
    const std::string caches = library + "/Caches/" + id;
    const std::string preferences = library + "/Preferences/" + id + ".plist";
    makeDirs(caches);
    writeFile(caches + "/cache.db", std::string(200000, 'c'));
    makeDirs(library + "/Preferences");
    writeFile(preferences, "<plist><dict/></plist>");
    const auto bundle = app("Measured", id);
    const std::uint64_t expected = SimpleSizeCalculation::sizeOfItemAtPath(bundle->bundlePath()) +
                                   SimpleSizeCalculation::sizeOfItemAtPath(caches) +
                                   SimpleSizeCalculation::sizeOfItemAtPath(preferences);

    const auto controller = RichNotificationWC::create(std::make_shared<SimpleRemainsProvider>());
    controller->showNotificationForApp(bundle);
    ASSERT_TRUE(waitFor([&] {
        return controller->isWindowLoaded() && controller->window()->isVisible() &&
               text(controller->window()->subtitleLabel()).find(sizeText(expected)) !=
                   std::string::npos;
    })) << text(controller->window()->subtitleLabel());

    QTest::mouseClick(controller->window()->completeUninstallButton(), Qt::LeftButton);
    ASSERT_EQ(m_workspace->opened.size(), 1u);
    const auto items = WatcherMessage::parse(readFile(m_workspace->opened[0].path));
    ASSERT_TRUE(items);
    std::vector<std::pair<std::string, std::int32_t>> sent;
    for (const auto& item : *items)
        sent.emplace_back(item->path(), item->type());
    EXPECT_EQ(sent, (std::vector<std::pair<std::string, std::int32_t>>{
                        {bundle->bundlePath(), 0}, {caches, 8}, {preferences, 10}}));
    EXPECT_FALSE(controller->isActive());
}
