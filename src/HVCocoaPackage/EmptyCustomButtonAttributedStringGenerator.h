#pragma once

#include "HVCocoaPackage/AttributedString.h"

#include <QString>
#include <optional>

// Turns a button title into styled text with the attributes that are set.
// Subclasses may rewrite the title first.
class EmptyCustomButtonAttributedStringGenerator {
public:
    virtual ~EmptyCustomButtonAttributedStringGenerator() = default;

    virtual QString prepareTitle(const QString& title) const { return title; }
    virtual AttributedString makeAttributedString(const QString& title) const;

    std::optional<QFont> font;
    std::optional<QColor> foregroundColor;
    std::optional<float> baselineOffset;
    std::optional<UnderlineStyle> underlineStyle;
    std::optional<ParagraphStyle> paragraphStyle;
    std::optional<float> kern;
    std::optional<TextShadow> shadow;
};
