#include "HVCocoaPackage/CustomButton.h"

#include "HVCocoaPackage/CompoundCustomButtonStyleModifier.h"
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

QColor centre(const QImage& image) {
    return image.pixelColor(4, image.height() / 2);
}

} // namespace

TEST(CustomButton, LoadingCopiesTheLayoutAndThenAppliesTheClassModifier) {
    // Modifiers apply in order, so the last one wins.
    const TextShadow shadow{QPointF(1, 1), 0, Qt::gray};
    StyledButton button({[](CustomButtonStyle& style) { style.textColor = Qt::green; },
                         [&](CustomButtonStyle& style) {
                             style.headIndent = 7;
                             style.tailIndent = 3;
                             style.textColor = Qt::blue;
                             style.shadow = shadow;
                         }});
    QFont font;
    font.setPixelSize(17);
    button.setFont(font);
    button.setAlignment(TextAlignment::right);
    button.setTitle("Early");
    button.awakeFromNib();
    EXPECT_EQ(button.attributedTitle().string(), "Early");

    EXPECT_EQ(button.buttonStyle()->font->pixelSize(), 17);

    const ParagraphStyle& paragraph = *button.normalAtributika()->paragraphStyle;
    EXPECT_EQ(paragraph.alignment, TextAlignment::right);
    EXPECT_EQ(paragraph.firstLineHeadIndent, 7);
    EXPECT_EQ(paragraph.tailIndent, -3);
    EXPECT_EQ(button.normalAtributika()->foregroundColor, QColor(Qt::blue));
    // Without colours and shadows of its own, the pressed title takes the normal ones.
    EXPECT_EQ(button.alternateAtributika()->foregroundColor, QColor(Qt::blue));
    EXPECT_EQ(button.alternateAtributika()->shadow, shadow);
    button.setTitle("Later");
    EXPECT_EQ(button.attributedAlternateTitle().string(), "Later");
}

// The uninstall button of the notification: white title on blue, red while pressed.
TEST(CustomButton, DrawsItsStateAndRefusesInputWhileDisabledWithoutGreying) {
    auto button = std::make_unique<StyledButton>(std::vector<StyledButton::Action>{
        [](CustomButtonStyle& style) { style.image = solid(kBlue); },
        [](CustomButtonStyle& style) {
            style.alternateImage = solid(kRed);
            style.textColor = Qt::white;
        },
    });
    button->setTitle("Uninstall");
    button->awakeFromNib();
    button->resize(105, 28);
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

TEST(CustomButton, IntrinsicWidthFollowsTitleIndentsAndImage) {
    StyledButton button({[](CustomButtonStyle& s) {
        s.headIndent = 15;
        s.tailIndent = 10;
        s.horizontalСontentSizeIncrease = 6;
        s.image = solid(kBlue, QSize(20, 10));
    }});
    button.setImagePosition(CellImagePosition::imageLeft);
    button.setTitle("OK");
    button.awakeFromNib();
    // The title, its padding of 4, both indents, the increase and the image beside it.
    const int width = button.sizeHint().width();
    EXPECT_EQ(width, int(std::ceil(button.attributedTitle().size().width() + 4 + 31 + 20)));
    // A new title forgets the cached size.
    button.setTitle("A much longer title");
    EXPECT_GT(button.sizeHint().width(), width);
}
