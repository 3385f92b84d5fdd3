#pragma once

#include "HVCocoaPackage/ParagraphStyle.h"
#include "notification/FigmaTextStyle.h"

#include <QFont>
#include <optional>
#include <string>

// One text style: font family, weight, size, kern and line height, in points.
struct TextStyleData {
    std::string name;
    FigmaFontWeight weight{FigmaFontWeight::regular};
    double size{13};
    std::optional<float> kern;
    std::optional<double> lineHeight;

    // The data of a numbered style. A value outside the enumeration is a
    // programming error; it is logged and gives helperDescription.
    static const TextStyleData& forStyle(FigmaTextStyle style);

    // The system font at the style's size and weight for the system families
    // ("SF Pro", "SF Pro Text", "SF Pro Display"), otherwise the named family.
    // Points are device-independent pixels, so the size is set in pixels.
    QFont font() const;

    // A default paragraph style with the alignment and line-break mode, and every
    // line exactly lineHeight high when the style has one.
    ParagraphStyle paragraphStyle(TextAlignment alignment, LineBreakMode lineBreakMode) const;
};
