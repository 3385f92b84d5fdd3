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

// A button whose class names its changes as a list of actions, as the notification's do.
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

private:
    std::vector<Action> m_actions;
};

// The uninstall button of the notification: white title on a blue image that
// turns red while pressed.
std::unique_ptr<StyledButton> makeUninstallButton() {
    auto button = std::make_unique<StyledButton>(std::vector<StyledButton::Action>{
        [](CustomButtonStyle& style) { style.image = solid(kBlue); },
        [](CustomButtonStyle& style) {
            style.alternateImage = solid(kRed);
            style.textColor = Qt::white;
        },
    });
    QFont font;
    font.setPixelSize(13);
    button->setFont(font);
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
    // Modifiers apply in order, so the last one wins.
    const TextShadow shadow{QPointF(1, 1), 0, Qt::gray};
    StyledButton button({[](CustomButtonStyle& style) { style.textColor = Qt::green; },
                         [&](CustomButtonStyle& style) {
                             style.lineBreakMode = LineBreakMode::truncatingTail;
                             style.headIndent = 7;
                             style.tailIndent = 3;
                             style.textColor = Qt::blue;
                             style.shadow = shadow;
                         }});
    QFont font;
    font.setPixelSize(17);
    button.setFont(font);
    button.setAlignment(TextAlignment::right);
    button.setLineBreakMode(LineBreakMode::charWrapping);
    button.setImage(solid(kBlue));
    button.setTitle("Early");
    EXPECT_TRUE(button.attributedTitle().isEmpty());
    button.awakeFromNib();
    EXPECT_EQ(button.attributedTitle().string(), "Early");

    const CustomButtonStyle& style = *button.buttonStyle();
    EXPECT_EQ(style.font->pixelSize(), 17);
    EXPECT_FALSE(style.image.isNull());

    const ParagraphStyle& paragraph = *button.normalAtributika()->paragraphStyle;
    EXPECT_EQ(paragraph.alignment, TextAlignment::right);
    EXPECT_EQ(paragraph.firstLineHeadIndent, 7);
    EXPECT_EQ(paragraph.tailIndent, -3);
    EXPECT_EQ(paragraph.lineBreakMode, LineBreakMode::truncatingTail);
    EXPECT_EQ(button.normalAtributika()->foregroundColor, QColor(Qt::blue));
    // Without colours and shadows of its own, the pressed title takes the normal ones.
    EXPECT_EQ(button.alternateAtributika()->foregroundColor, QColor(Qt::blue));
    EXPECT_EQ(button.alternateAtributika()->shadow, shadow);
    button.setTitle("Later");
    EXPECT_EQ(button.attributedAlternateTitle().string(), "Later");
}

TEST(CustomButton, DrawsItsStateAndRefusesInputWhileDisabledWithoutGreying) {
    auto button = makeUninstallButton();
    button->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(button.get(), 5000));
    QSignalSpy clicks(button.get(), &QAbstractButton::clicked);

    button->setEnabled(false);
    QTest::mousePress(button.get(), Qt::LeftButton);
    EXPECT_FALSE(button->isDown());
    QTest::mouseRelease(button.get(), Qt::LeftButton);
    QTest::keyClick(button.get(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_TRUE(button->QWidget::isEnabled());
    const QImage disabled = renderWidget(*button);
    EXPECT_NEAR(centre(disabled).alpha(), 128, 2);
    EXPECT_EQ(countPixels(disabled, [](QColor c) { return c.alpha() > 140; }), 0);

    button->setEnabled(true);
    QTest::keyClick(button.get(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(near(centre(renderWidget(*button)), kBlue, 2));
    button->setDown(true);
    const QImage pressed = renderWidget(*button);
    EXPECT_TRUE(near(centre(pressed), kRed, 2));
    EXPECT_GT(countPixels(pressed, [](QColor c) { return near(c, Qt::white, 40); }), 30);
}

TEST(CustomButton, IntrinsicWidthFollowsTitleIndentsImageAndMinimum) {
    const QPixmap wide = solid(kBlue, QSize(150, 10));
    const QPixmap small = solid(kBlue, QSize(20, 10));
    const struct {
        const char* name;
        std::function<void(CustomButtonStyle&)> change;
        CellImagePosition position;
        int extra; // beyond the title and its padding of 4
        int fixed; // the width whatever the title, when not 0
    } cases[] = {
        {"indents and increase",
         [](CustomButtonStyle& s) {
             s.headIndent = 15;
             s.tailIndent = 10;
             s.horizontalСontentSizeIncrease = 6;
         },
         CellImagePosition::imageLeft, 31, 0},
        {"minimum", [](CustomButtonStyle& s) { s.minContentWidth = 100; },
         CellImagePosition::imageLeft, 0, 100},
        {"image beside", [&](CustomButtonStyle& s) { s.image = small; },
         CellImagePosition::imageLeft, 20, 0},
        {"image behind", [&](CustomButtonStyle& s) { s.image = wide; },
         CellImagePosition::imageOverlaps, 0, 150},
    };
    for (const auto& c : cases) {
        StyledButton button({c.change});
        button.setImagePosition(c.position);
        button.setTitle("OK");
        button.awakeFromNib();
        const qreal title = button.attributedTitle().size().width();
        EXPECT_EQ(button.sizeHint().width(),
                  c.fixed ? c.fixed : int(std::ceil(title + 4 + c.extra)))
            << c.name;
        // A new title forgets the cached size.
        const int shortWidth = button.sizeHint().width();
        button.setTitle("A much longer title than the minimum");
        EXPECT_GT(button.sizeHint().width(), shortWidth) << c.name;
    }
}
