#pragma once

#include "HVCocoaPackage/ParagraphStyle.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <optional>

// Underline styles with their stored raw values.
enum class UnderlineStyle : int {
    none = 0,
    single = 1,
    thick = 2,
    doubleLine = 9,
};

// A shadow drawn under text: the text again in `color`, moved by `offset`.
struct TextShadow {
    QPointF offset;
    qreal blurRadius{0};
    QColor color{0, 0, 0, 85};

    bool operator==(const TextShadow&) const = default;
};

// The attributes of one run of styled text. An attribute that is not set takes
// the renderer's default: the application font, black text, no kern, no
// baseline offset, no underline, the default paragraph style, no shadow.
struct TextAttributes {
    std::optional<QFont> font;
    std::optional<QColor> foregroundColor;
    // Extra space after every character, in points.
    std::optional<float> kern;
    // Points to raise the text above its baseline (negative lowers it).
    std::optional<float> baselineOffset;
    std::optional<UnderlineStyle> underlineStyle;
    std::optional<ParagraphStyle> paragraphStyle;
    std::optional<TextShadow> shadow;

    // Sets every attribute of `over` that is set, keeping the others.
    void overlay(const TextAttributes& over);

    bool operator==(const TextAttributes&) const = default;
};
