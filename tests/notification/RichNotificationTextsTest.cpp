#include "ControllerTestFixture.h"
#include "notification/AppAppearanceManager.h"
#include "notification/FigmaPalette.h"
#include "notification/SuiteDefaults.h"
#include "notification/TextStyleData.h"
#include "shell/WatcherSettings.h"
#include "support/ScopedHelperTexts.h"

using panel_test::colourOf;
using panel_test::RichNotificationWCTest;
using panel_test::sizeText;
using testing_support::Sandbox;
using testing_support::ScopedHelperTexts;
using testing_support::writeFile;

namespace {

class RichNotificationTextsTest : public RichNotificationWCTest {};

// The runs of a styled text as (words, colour, bold) for comparing whole texts.
struct StyledRun {
    std::string words;
    QColor colour;
    bool bold;

    bool operator==(const StyledRun&) const = default;
};

std::vector<StyledRun> runsOf(const AttributedString& string) {
    std::vector<StyledRun> runs;
    for (const AttributedString::Run& run : string.runs()) {
        const QFont font = run.attributes.font.value_or(QFont());
        runs.push_back({run.text.toStdString(), run.attributes.foregroundColor.value_or(QColor()),
                        font.weight() >= QFont::Bold});
    }
    return runs;
}

QColor link() {
    return FigmaPalette::colorForFigmaColor(FigmaColor::linkState);
}

QColor plain() {
    return FigmaPalette::colorForFigmaColor(FigmaColor::text7);
}

} // namespace

TEST_F(RichNotificationTextsTest, NameAndSizeOrCountAreEmphasised) {
    offer(app("Foo", "com.example.foo"), 1);
    m_provider->made[0]->report(3'000'000);

    EXPECT_EQ(runsOf(m_controller->generateTitleAttributedString()),
              (std::vector<StyledRun>{{"Would you like to uninstall ", plain(), false},
                                      {"Foo", link(), false},
                                      {" completely?", plain(), false}}));
    std::vector<StyledRun> description =
        runsOf(m_controller->generateDescriptionAttributedString());
    ASSERT_EQ(description.size(), 4u);
    EXPECT_EQ(description[0], (StyledRun{"Foo", link(), false}));
    EXPECT_EQ(description[2], (StyledRun{sizeText(3'000'000), link(), false}));

    // Several applications emphasise the count in the title and are bold in the description.
    offer(app("Bar", "com.example.bar"), 2);

    EXPECT_EQ(runsOf(m_controller->generateTitleAttributedString()),
              (std::vector<StyledRun>{{"Would you like to uninstall ", plain(), false},
                                      {"2", link(), false},
                                      {" applications completely?", plain(), false}}));
    description = runsOf(m_controller->generateDescriptionAttributedString());
    ASSERT_EQ(description.size(), 4u);
    EXPECT_EQ(description[0], (StyledRun{"2 applications", plain(), true}));
    EXPECT_FALSE(description[1].bold);
    EXPECT_EQ(description[2], (StyledRun{sizeText(3'000'000), plain(), true}));
}

TEST_F(RichNotificationTextsTest, EveryOccurrenceOfTheCountIsEmphasised) {
    const std::string resources = Sandbox::process().makeFolder("Resources");
    testing_support::makeDirs(resources + "/en.lproj");
    writeFile(resources + "/en.lproj/RichNotificationWCLocalizable.strings",
              "\"Title_MultipleApps\" = \"%zd apps moved; remove all %1$zd?\";\n");
    ScopedHelperTexts texts(resources, {"en"});
    offer(app("Foo", "com.example.foo"), 1);
    offer(app("Bar", "com.example.bar"), 2);

    EXPECT_EQ(runsOf(m_controller->generateTitleAttributedString()),
              (std::vector<StyledRun>{{"2", link(), false},
                                      {" apps moved; remove all ", plain(), false},
                                      {"2", link(), false},
                                      {"?", plain(), false}}));
}

TEST_F(RichNotificationTextsTest, NamesWithMarkupAreShownAsWritten) {
    const std::string path =
        panel_test::makeApp(m_trash, "Odd", "com.example.odd", {}, "<b>Odd</b> & Co");
    offer(platform::Bundle::create(path), 1);

    const AttributedString title = m_controller->generateTitleAttributedString();
    EXPECT_EQ(title.string().toStdString(),
              "Would you like to uninstall <b>Odd</b> & Co completely?");
    EXPECT_EQ(colourOf(title, "<b>Odd</b> & Co"), link());
    EXPECT_EQ(colourOf(m_controller->generateDescriptionAttributedString(), "<b>Odd</b> & Co"),
              link());
}

TEST_F(RichNotificationTextsTest, TextsTakeTheAppearanceChosenInTheMainApplication) {
    // The window of an earlier notification, in the system's appearance; then the
    // main application chooses dark while no panel is up.
    m_controller->window();
    AppAppearanceManager::shared().prepareBeforeAppWindowAppears(nullptr);
    const auto defaults =
        SuiteDefaults::create(WatcherSettings::GetInstance().getMainAppBundleID());
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
