#include "notification/AppAppearanceManager.h"

#include "notification/FigmaPalette.h"
#include "support/Sandbox.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using testing_support::makeDirs;
using testing_support::Sandbox;
using testing_support::writeFile;

namespace {

class AppAppearanceManagerTest : public testing::Test {
protected:
    void SetUp() override {
        m_systemPalette = QApplication::palette();
        m_home = Sandbox::process().makeFolder("home");
        setenv("SWEEPWISE_HOME", m_home.c_str(), 1);
        m_defaults = SuiteDefaults::create("com.halvorn.Sweepwise-SIII");
        ASSERT_TRUE(m_defaults);
        makeDirs(m_home + "/Library/Preferences");
    }

    void TearDown() override {
        setenv("SWEEPWISE_HOME", Sandbox::process().home().c_str(), 1);
        QApplication::setPalette(m_systemPalette);
    }

    static QColor window() { return QApplication::palette().color(QPalette::Window); }

    QPalette m_systemPalette;
    std::string m_home;
    std::shared_ptr<SuiteDefaults> m_defaults;
};

} // namespace

TEST_F(AppAppearanceManagerTest, StoredValueChoosesTheAppearance) {
    const std::pair<std::optional<std::int64_t>, AppAppearanceType> cases[] = {
        {std::nullopt, AppAppearanceType::automatic},
        {2, AppAppearanceType::dark},
        {1, AppAppearanceType::light},
        {0, AppAppearanceType::automatic},
        {2, AppAppearanceType::dark},
        {3, AppAppearanceType::automatic},
        {-1, AppAppearanceType::automatic}};
    AppAppearanceManager manager;
    for (const auto& [stored, expected] : cases) {
        std::remove(m_defaults->path().c_str());
        if (stored) {
            ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(*stored));
        }
        manager.prepareBeforeAppWindowAppears(m_defaults);
        EXPECT_EQ(manager.appliedType(), expected) << stored.value_or(99);
        const QPalette palette =
            expected == AppAppearanceType::automatic
                ? m_systemPalette
                : AppAppearanceManager::paletteFor(
                      expected == AppAppearanceType::dark ? Appearance::dark : Appearance::light);
        EXPECT_EQ(window(), palette.color(QPalette::Window)) << stored.value_or(99);
        if (expected == AppAppearanceType::dark) {
            EXPECT_EQ(FigmaPalette::colorForFigmaColor(FigmaColor::bg10),
                      ColorAssets::shared().colorNamed("bg_10", Appearance::dark));
        }
    }
    // Damaged defaults, or none, follow the system.
    writeFile(m_defaults->path(), "<plist><dict><key>AppAppearanceTypeValueKey</key><integer>2");
    manager.prepareBeforeAppWindowAppears(m_defaults);
    EXPECT_EQ(manager.appliedType(), AppAppearanceType::automatic);
    std::remove(m_defaults->path().c_str());
    ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(2));
    manager.prepareBeforeAppWindowAppears(m_defaults);
    manager.prepareBeforeAppWindowAppears(nullptr);
    EXPECT_EQ(manager.appliedType(), AppAppearanceType::automatic);
    EXPECT_EQ(window(), m_systemPalette.color(QPalette::Window));
}

TEST_F(AppAppearanceManagerTest, FollowsTheMainApplicationChangingItsChoice) {
    AppAppearanceManager manager;
    QSignalSpy changes(&manager, &AppAppearanceManager::appearanceChanged);
    ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(1));
    manager.prepareBeforeAppWindowAppears(m_defaults);
    ASSERT_EQ(manager.appliedType(), AppAppearanceType::light);
    ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(2));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return manager.appliedType() == AppAppearanceType::dark; }, 5000));
    ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(0));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return manager.appliedType() == AppAppearanceType::automatic; }, 5000));
    EXPECT_EQ(changes.count(), 3);
}
