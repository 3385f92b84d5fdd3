#pragma once

#include <QtGlobal>

// Horizontal alignment of text; the raw values are the ones stored in layout
// resources and style records.
enum class TextAlignment : int {
    left = 0,
    right = 1,
    center = 2,
    justified = 3,
    natural = 4, // the leading edge of the writing direction
};

// How text that does not fit its width is laid out.
enum class LineBreakMode : int {
    wordWrapping = 0,
    charWrapping = 1,
    clipping = 2,
    truncatingHead = 3,
    truncatingTail = 4,
    truncatingMiddle = 5,
};

// Paragraph attributes of styled text, in points (device-independent pixels).
struct ParagraphStyle {
    TextAlignment alignment{TextAlignment::natural};
    LineBreakMode lineBreakMode{LineBreakMode::wordWrapping};
    // Distance of the first line, and of the other lines, from the leading edge.
    qreal firstLineHeadIndent{0};
    qreal headIndent{0};
    // Zero or negative: distance of every line from the trailing edge. Positive
    // values (a line width measured from the leading edge) are not supported and
    // count as zero.
    qreal tailIndent{0};
    // Zero means no bound. Equal bounds give every line that fixed height.
    qreal minimumLineHeight{0};
    qreal maximumLineHeight{0};
    // Kept for callers that configure them; Qt's layout has no tightening.
    float tighteningFactorForTruncation{0};
    bool allowsDefaultTighteningForTruncation{false};

    bool operator==(const ParagraphStyle&) const = default;
};
