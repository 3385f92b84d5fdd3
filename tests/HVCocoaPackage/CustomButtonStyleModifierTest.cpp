#include "HVCocoaPackage/CompoundCustomButtonStyleModifier.h"
#include "HVCocoaPackage/CustomButtonImageModifier.h"
#include "HVCocoaPackage/CustomButtonStyle.h"
#include "HVCocoaPackage/CustomButtonStyleModifierImp.h"

#include <QApplication>
#include <gtest/gtest.h>

TEST(CustomButtonStyleModifier, ImageModifierSetsOnlyTheImagesItWasGivenAndCompoundSkipsNone) {
    QPixmap red(4, 4);
    red.fill(Qt::red);
    QPixmap blue(4, 4);
    blue.fill(Qt::blue);
    CustomButtonStyle style;
    style.image = red;
    style.alternateImage = red;
    auto onlyAlternate = std::make_shared<CustomButtonImageModifier>();
    onlyAlternate->setAlternateImage(blue);
    CompoundCustomButtonStyleModifier({nullptr, onlyAlternate}).applyTo(style);
    EXPECT_EQ(style.image.toImage(), red.toImage());
    EXPECT_EQ(style.alternateImage.toImage(), blue.toImage());

    CustomButtonImageModifier removeImage;
    removeImage.setImage(QPixmap());
    removeImage.applyTo(style);
    EXPECT_TRUE(style.image.isNull());
    EXPECT_FALSE(style.alternateImage.isNull());
}
