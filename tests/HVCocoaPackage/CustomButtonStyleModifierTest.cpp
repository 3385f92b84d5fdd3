#include "HVCocoaPackage/CompoundCustomButtonStyleModifier.h"
#include "HVCocoaPackage/CustomButtonImageModifier.h"
#include "HVCocoaPackage/CustomButtonStyle.h"
#include "HVCocoaPackage/CustomButtonStyleModifierImp.h"

#include <QApplication>
#include <gtest/gtest.h>

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
