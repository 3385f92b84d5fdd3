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
    struct Case {
        const char* name;
        std::optional<std::int64_t> stored;
        AppAppearanceType expected;
    };
    const Case cases[] = {
        {"missing", std::nullopt, AppAppearanceType::automatic},
        {"dark", 2, AppAppearanceType::dark},
        {"light", 1, AppAppearanceType::light},
        {"automatic", 0, AppAppearanceType::automatic},
        {"dark again", 2, AppAppearanceType::dark},
        {"three", 3, AppAppearanceType::automatic},
        {"large", 1000, AppAppearanceType::automatic},
        {"negative", -1, AppAppearanceType::automatic},
    };
    AppAppearanceManager manager;
    for (const Case& c : cases) {
        std::remove(m_defaults->path().c_str());
        if (c.stored) {
            ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(*c.stored));
        }
        manager.prepareBeforeAppWindowAppears(m_defaults);
        EXPECT_EQ(manager.appliedType(), c.expected) << c.name;
        switch (c.expected) {
        case AppAppearanceType::automatic:
            EXPECT_EQ(window(), m_systemPalette.color(QPalette::Window)) << c.name;
            break;
        case AppAppearanceType::light:
            EXPECT_EQ(window(),
                      AppAppearanceManager::paletteFor(Appearance::light).color(QPalette::Window));
            EXPECT_EQ(ColorAssets::currentAppearance(), Appearance::light) << c.name;
            break;
        case AppAppearanceType::dark:
            EXPECT_EQ(window(),
                      AppAppearanceManager::paletteFor(Appearance::dark).color(QPalette::Window));
            EXPECT_EQ(ColorAssets::currentAppearance(), Appearance::dark) << c.name;
            EXPECT_EQ(FigmaPalette::colorForFigmaColor(FigmaColor::bg10),
                      ColorAssets::shared().colorNamed("bg_10", Appearance::dark));
            break;
        }
    }
}

TEST_F(AppAppearanceManagerTest, DamagedDefaultsOrNoneFollowTheSystem) {
    AppAppearanceManager manager;
    ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(2));
    manager.prepareBeforeAppWindowAppears(m_defaults);
    ASSERT_EQ(manager.appliedType(), AppAppearanceType::dark);

    writeFile(m_defaults->path(), "<plist><dict><key>AppAppearanceTypeValueKey</key><integer>2");
    manager.prepareBeforeAppWindowAppears(m_defaults);
    EXPECT_EQ(manager.appliedType(), AppAppearanceType::automatic);
    EXPECT_EQ(window(), m_systemPalette.color(QPalette::Window));

    std::remove(m_defaults->path().c_str());
    ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(2));
    manager.prepareBeforeAppWindowAppears(m_defaults);
    manager.prepareBeforeAppWindowAppears(nullptr);
    EXPECT_EQ(manager.appliedType(), AppAppearanceType::automatic);
    EXPECT_EQ(manager.userDefaults(), nullptr);
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

TEST_F(AppAppearanceManagerTest, SharedManagerBelongsToTheApplication) {
    AppAppearanceManager& shared = AppAppearanceManager::shared();
    EXPECT_EQ(&shared, &AppAppearanceManager::shared());
    EXPECT_EQ(shared.parent(), QCoreApplication::instance());
}
