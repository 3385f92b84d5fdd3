#pragma once

#include "HVCocoaPackage/ParagraphStyle.h"
#include "HVCocoaPackage/TextAttributes.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <optional>

// How the cell behind a title is shaded; stored with the style, not drawn.
enum class BackgroundStyle : int {
    normal = 0,
    emphasized = 1,
    raised = 2,
    lowered = 3,
};

// Where a button's image stands relative to its title.
enum class CellImagePosition : int {
    noImage = 0,
    imageOnly = 1,
    imageLeft = 2,
    imageRight = 3,
    imageBelow = 4,
    imageAbove = 5,
    imageOverlaps = 6,
    imageLeading = 7,
    imageTrailing = 8,
};

// Everything a CustomButton needs to draw its title and images. One style
// belongs to one button; its modifier edits it once, when the button loads.
// Lengths are points; a null pixmap means no image.
struct CustomButtonStyle {
    std::optional<QFont> font;
    QColor textColor{Qt::black};
    std::optional<QColor> alternateTextColor;
    float fontBaselineOffset{0};
    // The name is written with a Cyrillic capital Es where a Latin C would stand,
    // and code that uses the field must spell it the same way.
    qreal horizontalСontentSizeIncrease{0};
    std::optional<qreal> minContentWidth;
    qreal headIndent{0};
    qreal tailIndent{0};
    TextAlignment alignment{TextAlignment::natural};
    LineBreakMode lineBreakMode{LineBreakMode::clipping};
    bool allowsDefaultTighteningForTruncation{false};
    float tighteningFactorForTruncation{1.0f};
    qreal alphaValueForDisabledState{0.5};
    QPixmap image;
    QPixmap alternateImage;
    BackgroundStyle backgroundStyle{BackgroundStyle::normal};
    UnderlineStyle underlineStyle{UnderlineStyle::none};
    std::optional<float> kern;
    std::optional<TextShadow> shadow;
    std::optional<TextShadow> alternateShadow;
    ParagraphStyle paragraphStyle;
};
