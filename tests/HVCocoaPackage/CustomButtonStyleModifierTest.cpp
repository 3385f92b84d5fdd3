#include "HVCocoaPackage/CompoundCustomButtonStyleModifier.h"
#include "HVCocoaPackage/CustomButtonImageModifier.h"
#include "HVCocoaPackage/CustomButtonStyleDefaultModifier.h"
#include "HVCocoaPackage/CustomButtonStyleModifierImp.h"

#include <QApplication>
#include <gtest/gtest.h>

using Default = CustomButtonStyleDefaultModifier;

TEST(CustomButtonStyleModifier, CompoundAppliesInOrderSoTheLastWins) {
    const auto set = [](QColor color) {
        return std::make_shared<CustomButtonStyleModifierImp>(
            [color](CustomButtonStyle& style) { style.textColor = color; });
    };
    CompoundCustomButtonStyleModifier compound({set(Qt::red), nullptr, set(Qt::blue)});
    CustomButtonStyle style;
    compound.applyTo(style);
    EXPECT_EQ(style.textColor, QColor(Qt::blue));
}

TEST(CustomButtonStyleModifier, ImageModifierSetsOnlyTheImagesItWasGiven) {
    QPixmap red(4, 4);
    red.fill(Qt::red);
    QPixmap blue(4, 4);
    blue.fill(Qt::blue);

    CustomButtonStyle style;
    style.image = red;
    style.alternateImage = red;
    CustomButtonImageModifier onlyAlternate;
    onlyAlternate.setAlternateImage(blue);
    onlyAlternate.applyTo(style);
    EXPECT_EQ(style.image.toImage(), red.toImage());
    EXPECT_EQ(style.alternateImage.toImage(), blue.toImage());

    CustomButtonImageModifier removeImage;
    removeImage.setImage(QPixmap());
    removeImage.applyTo(style);
    EXPECT_TRUE(style.image.isNull());
    EXPECT_FALSE(style.alternateImage.isNull());
    EXPECT_TRUE(removeImage.imageWasChanged());
    EXPECT_FALSE(removeImage.alternateImageWasChanged());
}

TEST(CustomButtonStyleModifier, EachDefaultKindSetsItsOwnProperty) {
    QFont font;
    font.setPixelSize(31);
    const TextShadow shadow{QPointF(2, 2), 1, Qt::red};
    struct Case {
        Default::Pointer modifier;
        Default::Kind kind;
        std::function<bool(const CustomButtonStyle&)> changed;
    };
    const Case cases[] = {
        {Default::font(font), Default::Kind::font,
         [](auto& s) { return s.font && s.font->pixelSize() == 31; }},
        {Default::textColor(Qt::red), Default::Kind::textColor,
         [](auto& s) { return s.textColor == QColor(Qt::red); }},
        {Default::alternateTextColor(Qt::red), Default::Kind::alternateTextColor,
         [](auto& s) { return s.alternateTextColor == QColor(Qt::red); }},
        {Default::fontBaselineOffset(2.5f), Default::Kind::fontBaselineOffset,
         [](auto& s) { return s.fontBaselineOffset == 2.5f; }},
        {Default::horizontalContentSizeIncrease(9), Default::Kind::horizontalContentSizeIncrease,
         [](auto& s) { return s.horizontalСontentSizeIncrease == 9; }},
        {Default::minContentWidth(80), Default::Kind::minContentWidth,
         [](auto& s) { return s.minContentWidth == 80; }},
        {Default::headIndent(11), Default::Kind::headIndent,
         [](auto& s) { return s.headIndent == 11; }},
        {Default::tailIndent(12), Default::Kind::tailIndent,
         [](auto& s) { return s.tailIndent == 12; }},
        {Default::alignment(TextAlignment::center), Default::Kind::alignment,
         [](auto& s) { return s.alignment == TextAlignment::center; }},
        {Default::lineBreakMode(LineBreakMode::truncatingMiddle), Default::Kind::lineBreakMode,
         [](auto& s) { return s.lineBreakMode == LineBreakMode::truncatingMiddle; }},
        {Default::alphaValueForDisabledState(0.25), Default::Kind::alphaValueForDisabledState,
         [](auto& s) { return s.alphaValueForDisabledState == 0.25; }},
        {Default::backgroundStyle(BackgroundStyle::raised), Default::Kind::backgroundStyle,
         [](auto& s) { return s.backgroundStyle == BackgroundStyle::raised; }},
        {Default::underlineStyle(UnderlineStyle::thick), Default::Kind::underlineStyle,
         [](auto& s) { return s.underlineStyle == UnderlineStyle::thick; }},
        {Default::kern(0.7f), Default::Kind::kern, [](auto& s) { return s.kern == 0.7f; }},
        {Default::shadow(shadow), Default::Kind::shadow,
         [&](auto& s) { return s.shadow == shadow; }},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.modifier->kind(), c.kind);
        CustomButtonStyle style;
        c.modifier->applyTo(style);
        EXPECT_TRUE(c.changed(style)) << static_cast<int>(c.kind);
        // No other kind's property moved.
        for (const Case& other : cases) {
            if (other.kind != c.kind) {
                EXPECT_FALSE(other.changed(style))
                    << static_cast<int>(c.kind) << " also set " << static_cast<int>(other.kind);
            }
        }
    }
}
