#include "HVCocoaPackage/CustomButton.h"

#include "HVCocoaPackage/CompoundCustomButtonStyleModifier.h"
#include "HVCocoaPackage/CustomButtonImageModifier.h"
#include "HVCocoaPackage/CustomButtonStyleModifierImp.h"
#include "support/QtTestSupport.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using testing_support::countPixels;
using testing_support::near;
using testing_support::renderWidget;

namespace {

const QColor kBlue(40, 90, 220);
const QColor kRed(220, 40, 40);

QPixmap solid(QColor color, QSize size = QSize(105, 28)) {
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

// A button whose class names its changes as a list of actions, like the
// notification's buttons do.
class StyledButton : public CustomButton {
public:
    using Action = CustomButtonStyleModifierImp::Action;

    explicit StyledButton(std::vector<Action> actions = {}) : m_actions(std::move(actions)) {}

    std::shared_ptr<const CustomButtonStyleModifier> styleModifier() const override {
        std::vector<std::shared_ptr<const CustomButtonStyleModifier>> modifiers;
        for (const Action& action : m_actions)
            modifiers.push_back(std::make_shared<CustomButtonStyleModifierImp>(action));
        return std::make_shared<CompoundCustomButtonStyleModifier>(modifiers);
    }

    int entered{0};
    int exited{0};

protected:
    void mouseEntered() override { ++entered; }
    void mouseExited() override { ++exited; }

private:
    std::vector<Action> m_actions;
};

// The uninstall button of the notification: white title on a blue image that
// turns red while pressed.
std::unique_ptr<StyledButton> makeUninstallButton() {
    auto button = std::make_unique<StyledButton>(std::vector<StyledButton::Action>{
        [](CustomButtonStyle& style) { style.fontBaselineOffset = 2.0f; },
        [](CustomButtonStyle& style) {
            style.headIndent = 15;
            style.tailIndent = 15;
        },
        [](CustomButtonStyle& style) {
            style.image = solid(kBlue);
            style.alternateImage = solid(kRed);
        },
        [](CustomButtonStyle& style) { style.textColor = Qt::white; },
    });
    QFont font;
    font.setPixelSize(13);
    font.setWeight(QFont::Medium);
    button->setFont(font);
    button->setAlignment(TextAlignment::center);
    button->setTitle("Uninstall");
    button->awakeFromNib();
    button->resize(105, 28);
    return button;
}

QColor centre(const QImage& image) {
    return image.pixelColor(4, image.height() / 2);
}

} // namespace

TEST(CustomButton, LoadingCopiesTheLayoutAndThenAppliesTheClassModifier) {
    StyledButton button({[](CustomButtonStyle& style) {
        style.lineBreakMode = LineBreakMode::truncatingTail;
        style.headIndent = 7;
        style.tailIndent = 3;
        style.alternateTextColor = Qt::red;
    }});
    QFont font;
    font.setPixelSize(17);
    button.setFont(font);
    button.setAlignment(TextAlignment::right);
    button.setLineBreakMode(LineBreakMode::charWrapping);
    button.setImage(solid(kBlue));
    button.awakeFromNib();

    const CustomButtonStyle& style = *button.buttonStyle();
    EXPECT_TRUE(button.isLoaded());
    EXPECT_EQ(style.font->pixelSize(), 17);
    EXPECT_EQ(style.alignment, TextAlignment::right);
    EXPECT_EQ(style.lineBreakMode, LineBreakMode::truncatingTail);
    EXPECT_FALSE(style.image.isNull());

    const ParagraphStyle& paragraph = *button.normalAtributika()->paragraphStyle;
    EXPECT_EQ(paragraph.alignment, TextAlignment::right);
    EXPECT_EQ(paragraph.headIndent, 7);
    EXPECT_EQ(paragraph.firstLineHeadIndent, 7);
    EXPECT_EQ(paragraph.tailIndent, -3);
    EXPECT_EQ(paragraph.lineBreakMode, LineBreakMode::truncatingTail);
    EXPECT_EQ(button.normalAtributika()->foregroundColor, QColor(Qt::black));
    EXPECT_EQ(button.alternateAtributika()->foregroundColor, QColor(Qt::red));
}

TEST(CustomButton, PressedTitleFallsBackToTheNormalColourAndShadow) {
    const TextShadow shadow{QPointF(1, 1), 0, Qt::gray};
    const TextShadow pressedShadow{QPointF(0, 2), 0, Qt::darkGray};
    struct Case {
        std::optional<QColor> alternateColor;
        std::optional<TextShadow> alternateShadow;
        QColor pressedColor;
        TextShadow pressedShadow;
    };
    for (const Case& c : {Case{std::nullopt, std::nullopt, Qt::blue, shadow},
                          Case{QColor(Qt::red), pressedShadow, Qt::red, pressedShadow}}) {
        StyledButton button({[&](CustomButtonStyle& style) {
            style.textColor = Qt::blue;
            style.alternateTextColor = c.alternateColor;
            style.shadow = shadow;
            style.alternateShadow = c.alternateShadow;
        }});
        button.setTitle("Ignore");
        button.awakeFromNib();
        const auto& pressed = button.attributedAlternateTitle().runs();
        ASSERT_EQ(pressed.size(), 1u);
        EXPECT_EQ(pressed[0].attributes.foregroundColor, c.pressedColor);
        EXPECT_EQ(pressed[0].attributes.shadow, c.pressedShadow);
        EXPECT_EQ(button.attributedTitle().runs()[0].attributes.foregroundColor, QColor(Qt::blue));
    }
}

TEST(CustomButton, TitleSetBeforeLoadingIsDrawnWithTheStyleOnceLoaded) {
    StyledButton button({[](CustomButtonStyle& style) { style.textColor = Qt::green; }});
    button.setTitle("Early");
    EXPECT_TRUE(button.attributedTitle().isEmpty());
    button.awakeFromNib();
    ASSERT_EQ(button.attributedTitle().string(), "Early");
    EXPECT_EQ(button.attributedTitle().runs()[0].attributes.foregroundColor, QColor(Qt::green));

    button.setTitle("Later");
    EXPECT_EQ(button.attributedTitle().string(), "Later");
    EXPECT_EQ(button.attributedAlternateTitle().string(), "Later");
}

TEST(CustomButton, DisabledButtonRefusesClicksAndKeysWithoutGreying) {
    auto button = makeUninstallButton();
    button->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(button.get(), 5000));
    QSignalSpy clicks(button.get(), &QAbstractButton::clicked);

    button->setEnabled(false);
    QTest::mouseClick(button.get(), Qt::LeftButton);
    QTest::mousePress(button.get(), Qt::LeftButton);
    EXPECT_FALSE(button->isDown());
    QTest::mouseRelease(button.get(), Qt::LeftButton);
    QTest::keyClick(button.get(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_TRUE(button->QWidget::isEnabled());
    EXPECT_DOUBLE_EQ(button->alphaValue(), 0.5);

    button->setEnabled(true);
    EXPECT_DOUBLE_EQ(button->alphaValue(), 1.0);
    QTest::mouseClick(button.get(), Qt::LeftButton);
    QTest::keyClick(button.get(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 2);
}

TEST(CustomButton, DrawsTheStateItIsIn) {
    auto button = makeUninstallButton();
    const QImage normal = renderWidget(*button);
    testing_support::saveSnapshot(normal, "custom-button");
    EXPECT_TRUE(near(centre(normal), kBlue, 2));
    EXPECT_GT(countPixels(normal, [](QColor c) { return near(c, Qt::white, 40); }), 30);

    button->setDown(true);
    const QImage pressed = renderWidget(*button);
    testing_support::saveSnapshot(pressed, "custom-button-pressed");
    EXPECT_TRUE(near(centre(pressed), kRed, 2));
    EXPECT_GT(countPixels(pressed, [](QColor c) { return near(c, Qt::white, 40); }), 30);
    button->setDown(false);

    button->setEnabled(false);
    const QImage disabled = renderWidget(*button);
    testing_support::saveSnapshot(disabled, "custom-button-disabled");
    EXPECT_NEAR(centre(disabled).alpha(), 128, 2);
    EXPECT_EQ(countPixels(disabled, [](QColor c) { return c.alpha() > 140; }), 0);
}

TEST(CustomButton, IntrinsicWidthFollowsTitleIndentsImageAndMinimum) {
    const QPixmap wide = solid(kBlue, QSize(150, 10));
    struct Case {
        const char* name;
        std::function<void(CustomButtonStyle&)> change;
        CellImagePosition position;
        std::function<int(qreal title)> expected;
    };
    const Case cases[] = {
        {"title", [](CustomButtonStyle&) {}, CellImagePosition::imageLeft,
         [](qreal t) { return int(std::ceil(t + 4)); }},
        {"indents and increase",
         [](CustomButtonStyle& s) {
             s.headIndent = 15;
             s.tailIndent = 10;
             s.horizontalСontentSizeIncrease = 6;
         },
         CellImagePosition::imageLeft, [](qreal t) { return int(std::ceil(t + 4 + 25 + 6)); }},
        {"short title, minimum 100", [](CustomButtonStyle& s) { s.minContentWidth = 100; },
         CellImagePosition::imageLeft, [](qreal) { return 100; }},
        {"image beside", [&](CustomButtonStyle& s) { s.image = solid(kBlue, QSize(20, 10)); },
         CellImagePosition::imageLeft, [](qreal t) { return int(std::ceil(t + 4 + 20)); }},
        {"image behind", [&](CustomButtonStyle& s) { s.image = wide; },
         CellImagePosition::imageOverlaps, [](qreal) { return 150; }},
        {"image only", [&](CustomButtonStyle& s) { s.image = solid(kBlue, QSize(20, 10)); },
         CellImagePosition::imageOnly, [](qreal) { return 20; }},
        {"image hidden", [&](CustomButtonStyle& s) { s.image = wide; }, CellImagePosition::noImage,
         [](qreal t) { return int(std::ceil(t + 4)); }},
    };
    for (const Case& c : cases) {
        StyledButton button({c.change});
        button.setImagePosition(c.position);
        button.setTitle("OK");
        button.awakeFromNib();
        const qreal title = button.attributedTitle().size().width();
        EXPECT_EQ(button.sizeHint().width(), c.expected(title)) << c.name;
    }
}

TEST(CustomButton, NewTitleForgetsTheCachedSize) {
    StyledButton button;
    button.setTitle("OK");
    button.awakeFromNib();
    const int shortWidth = button.sizeHint().width();
    button.setTitle("A much longer title");
    EXPECT_GT(button.sizeHint().width(), shortWidth);
}

TEST(CustomButton, HearsTheMouseOnlyWhileTrackingAndEnabled) {
    auto button = makeUninstallButton();
    button->show();
    button->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(button.get(), 5000));
    const auto passOver = [&] {
        QTest::mouseMove(button.get(), QPoint(-20, -20));
        QTest::mouseMove(button.get(), QPoint(10, 10));
        QTest::mouseMove(button.get(), QPoint(-20, -20));
    };

    passOver();
    EXPECT_EQ(button->entered, 0);

    button->setTrackingEnable(true);
    EXPECT_TRUE(button->hasTrackingArea());
    passOver();
    EXPECT_EQ(button->entered, 1);
    EXPECT_EQ(button->exited, 1);

    button->setEnabled(false);
    EXPECT_FALSE(button->hasTrackingArea());
    passOver();
    EXPECT_EQ(button->entered, 1);

    button->setEnabled(true);
    passOver();
    EXPECT_EQ(button->entered, 2);
}
