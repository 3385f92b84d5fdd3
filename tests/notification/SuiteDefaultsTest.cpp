#include "notification/SuiteDefaults.h"

#include "notification/AppAppearanceManager.h"
#include "notification/FigmaPalette.h"
#include "platform/PropertyList.h"
#include "support/Sandbox.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using testing_support::makeDirs;
using testing_support::readFile;
using testing_support::Sandbox;
using testing_support::writeFile;

namespace {

const std::string kKey = SuiteDefaults::appAppearanceTypeValueKey;

std::string xmlPlist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body +
           "\n</plist>\n";
}

std::string xmlDefaults(const std::string& value) {
    return xmlPlist("<dict><key>Other</key><string>x</string><key>" + kKey + "</key>" + value +
                    "</dict>");
}

std::string binaryDefaults(std::int64_t value) {
    return *platform::PropertyList::toBinary(platform::PlistValue::Dictionary{{kKey, value}});
}

// Defaults of a suite of their own in a home folder of its own; the application's palette
// is the system's again afterwards.
class SuiteDefaultsTest : public testing::Test {
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

    void store(const std::string& contents) { writeFile(m_defaults->path(), contents); }
    static QColor window() { return QApplication::palette().color(QPalette::Window); }

    QPalette m_systemPalette;
    std::string m_home;
    std::shared_ptr<SuiteDefaults> m_defaults;
};

using AppAppearanceManagerTest = SuiteDefaultsTest;

} // namespace

TEST_F(SuiteDefaultsTest, ReadsWholeNumbersOfEveryStoredForm) {
    const std::pair<std::string, std::optional<std::int64_t>> cases[] = {
        {xmlDefaults("<integer>-1</integer>"), -1},
        {xmlDefaults("<real>2.7</real>"), 2},
        {xmlDefaults("<string> 7 days</string>"), 7},
        {binaryDefaults(1), 1},
        {xmlDefaults("<string>dark</string>"), std::nullopt},
        {xmlPlist("<dict><key>Other</key><integer>1</integer></dict>"), std::nullopt},
        {xmlPlist("<array><integer>2</integer></array>"), std::nullopt},
        {"not a property list at all", std::nullopt},
        {xmlDefaults("<integer>2</integer>").substr(0, 150), std::nullopt},
        {binaryDefaults(2).substr(0, 20), std::nullopt},
    };
    for (const auto& [contents, expected] : cases) {
        store(contents);
        EXPECT_EQ(m_defaults->integerForKey(kKey), expected) << contents;
        EXPECT_EQ(m_defaults->appAppearanceTypeValue(), expected.value_or(0)) << contents;
    }
}

// Storing keeps the other keys, and never replaces defaults it cannot read.
TEST_F(SuiteDefaultsTest, StoringKeepsTheOtherKeysAndNeverOverwritesDamage) {
    for (const char* bad : {"", "..", "a/b"})
        EXPECT_FALSE(SuiteDefaults::create(bad)) << bad;
    ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(2));
    EXPECT_EQ(m_defaults->appAppearanceTypeValue(), 2);
    store(xmlDefaults("<integer>1</integer>"));
    ASSERT_TRUE(m_defaults->setAppAppearanceTypeValue(-3));
    EXPECT_EQ(m_defaults->appAppearanceTypeValue(), -3);
    EXPECT_NE(readFile(m_defaults->path()).find("<string>x</string>"), std::string::npos);
    store("damaged");
    EXPECT_FALSE(m_defaults->setAppAppearanceTypeValue(2));
    EXPECT_EQ(readFile(m_defaults->path()), "damaged");
}

// Missing, damaged or unknown values, and no defaults at all, follow the system.
TEST_F(AppAppearanceManagerTest, StoredValueChoosesTheAppearance) {
    const std::pair<std::string, AppAppearanceType> cases[] = {
        {"", AppAppearanceType::automatic},
        {binaryDefaults(2), AppAppearanceType::dark},
        {binaryDefaults(1), AppAppearanceType::light},
        {binaryDefaults(3), AppAppearanceType::automatic},
        {binaryDefaults(-1), AppAppearanceType::automatic},
        {"<plist><dict><key>" + kKey + "</key><integer>2", AppAppearanceType::automatic},
        {binaryDefaults(2), AppAppearanceType::dark}};
    AppAppearanceManager manager;
    for (const auto& [contents, expected] : cases) {
        if (contents.empty())
            std::remove(m_defaults->path().c_str());
        else
            store(contents);
        manager.prepareBeforeAppWindowAppears(m_defaults);
        EXPECT_EQ(manager.appliedType(), expected);
        const QPalette palette =
            expected == AppAppearanceType::automatic
                ? m_systemPalette
                : AppAppearanceManager::paletteFor(
                      expected == AppAppearanceType::dark ? Appearance::dark : Appearance::light);
        EXPECT_EQ(window(), palette.color(QPalette::Window));
        if (expected == AppAppearanceType::dark) {
            EXPECT_EQ(FigmaPalette::colorForFigmaColor(FigmaColor::bg10),
                      ColorAssets::shared().colorNamed("bg_10", Appearance::dark));
        }
    }
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
