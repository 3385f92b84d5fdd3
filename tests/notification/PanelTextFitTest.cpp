#include "ControllerTestFixture.h"
#include "notification/ColoredView.h"
#include "notification/LocalizedFormat.h"
#include "notification/Styles.h"
#include "notification/TitleEmphasis.h"
#include "notification/WatcherOfferNoCustomButton.h"
#include "notification/WatcherOfferYesCustomButton.h"
#include "support/ScopedHelperTexts.h"

#include <filesystem>

using panel_test::RichNotificationWCTest;
using panel_test::text;
using testing_support::ScopedHelperTexts;

namespace {

// The languages of the tables the helper ships.
std::vector<std::string> shippedLanguages() {
    std::vector<std::string> languages;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(SWEEPWISE_SOURCE_DIR) +
                                                                 "/resources/helper/Resources")) {
        if (entry.path().extension() == ".lproj")
            languages.push_back(entry.path().stem().string());
    }
    return languages;
}

const std::string kReportedName = "Northwind Photo Library Classic 2026"; // 36 characters
const std::string kLongName = "Harborlight Photo Library Manager Classic Professional Suite";
const std::string kLongWord = "HarborlightPhotoLibraryManagerClassicProfessionalSuiteEdition";

// Every text shows whole, above the list and the buttons, and the panel keeps its width.
void expectTextsFit(const RichNotificationWindow& panel) {
    const int headerBottom = panel.topSeparator()->y();
    for (const AttributedLabel* label : {panel.titleLabel(), panel.subtitleLabel()}) {
        SCOPED_TRACE(text(label));
        EXPECT_GE(label->height(), label->heightForWidth(label->width()));
        EXPECT_LE(label->geometry().bottom(), headerBottom);
        EXPECT_LE(label->geometry().right(), panel.width());
    }
    EXPECT_LE(headerBottom, panel.closeButton()->y());
    EXPECT_LE(headerBottom, panel.appsContainer()->y());
    EXPECT_LE(headerBottom, RichNotificationWindow::maxHeaderHeight);
}

} // namespace

// Long names, with spaces and without, in every shipped language: the panel grows for
// them, and a name that does not fit even then is shortened with the full name as its
// tooltip.
TEST_F(RichNotificationWCTest, TextsFitThePanelInEveryShippedLanguage) {
    const std::vector<std::string> languages = shippedLanguages();
    ASSERT_GE(languages.size(), 2u);
    int number = 0;
    int shortened = 0;
    for (const std::string& language : languages) {
        ScopedHelperTexts texts("", {language});
        for (const std::string& name : {std::string("Foo"), kReportedName, kLongName, kLongWord}) {
            SCOPED_TRACE(language + ": " + name);
            const std::string id = "com.example.app" + std::to_string(++number);
            offer(app(name, id, testing_support::Sandbox::process().makeFolder("fit")), 1);
            m_provider->made.back()->report(123456789);
            expectTextsFit(window());
            const QString shown = m_controller->shownAppName();
            const QString tooltip = window().titleLabel()->toolTip();
            if (shown == QString::fromStdString(name)) {
                EXPECT_EQ(tooltip, QString());
            } else {
                ++shortened;
                EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
                EXPECT_EQ(tooltip, QString::fromStdString(name));
            }
            // The name of the reported clipping fits whole once the panel grows.
            if (name == kReportedName) {
                EXPECT_EQ(shown, QString::fromStdString(name));
                EXPECT_GT(window().height(), RichNotificationWC::windowHeight);
            }

            // With the list of several applications the texts speak of their number.
            offer(app(name + " 2", id + ".two"), 2);
            offer(app(name + " 3", id + ".three"), 3);
            expectTextsFit(window());
            EXPECT_EQ(window().titleLabel()->toolTip(), QString());
            m_controller->onNotificationClose();
        }
    }
    // The longest names do not fit whole in every language.
    EXPECT_GT(shortened, 0);
}

// The count in the title of several applications is emphasised in whatever digits the
// locale writes it.
TEST(PanelTitle, EmphasisesTheCountInTheLocalesDigits) {
    const QString tag = QString::fromLatin1(Styles::helperTitleStyleTag);
    for (const char* locale : {"fa_IR", "ar_EG", "mr_IN", "en_US"}) {
        SCOPED_TRACE(locale);
        const auto symbols = platform::NumberSymbols::forLocale(locale);
        const QString count = QString::fromStdString(symbols.digits[1] + symbols.digits[2]);
        if (std::string(locale) != "en_US") {
            EXPECT_NE(count, QStringLiteral("12"));
        }
        const QString title = QString::fromStdString(LocalizedFormat::format(
            "Would you like to uninstall %zd applications completely?", {12}, symbols));
        EXPECT_TRUE(TitleEmphasis::emphasizingCount(title, 12, symbols)
                        .contains(QStringLiteral("<%1>%2</%1>").arg(tag, count)));
    }
    // A translation may write the number in ASCII digits in any locale.
    const auto persian = platform::NumberSymbols::forLocale("fa_IR");
    EXPECT_EQ(TitleEmphasis::emphasizingCount(QStringLiteral("12 apps, 12 times"), 12, persian),
              QStringLiteral("<%1>12</%1> apps, <%1>12</%1> times").arg(tag));
}
