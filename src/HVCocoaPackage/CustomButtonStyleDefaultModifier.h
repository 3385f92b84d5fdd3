#pragma once

#include "HVCocoaPackage/CustomButtonStyle.h"
#include "HVCocoaPackage/CustomButtonStyleModifier.h"

#include <memory>
#include <variant>

// A modifier that sets one property of the style to a stored value. Its own names
// are all in Latin letters: horizontalContentSizeIncrease sets the style field
// spelled with a Cyrillic Es.
class CustomButtonStyleDefaultModifier : public CustomButtonStyleModifier {
public:
    enum class Kind {
        font,
        textColor,
        alternateTextColor,
        fontBaselineOffset,
        horizontalContentSizeIncrease,
        minContentWidth,
        headIndent,
        tailIndent,
        alignment,
        lineBreakMode,
        alphaValueForDisabledState,
        backgroundStyle,
        underlineStyle,
        kern,
        shadow,
    };

    using Pointer = std::shared_ptr<const CustomButtonStyleDefaultModifier>;

    static Pointer font(const QFont& font);
    static Pointer textColor(const QColor& color);
    static Pointer alternateTextColor(const QColor& color);
    static Pointer fontBaselineOffset(float offset);
    static Pointer horizontalContentSizeIncrease(qreal points);
    static Pointer minContentWidth(qreal points);
    static Pointer headIndent(qreal points);
    static Pointer tailIndent(qreal points);
    static Pointer alignment(TextAlignment alignment);
    static Pointer lineBreakMode(LineBreakMode mode);
    static Pointer alphaValueForDisabledState(qreal alpha);
    static Pointer backgroundStyle(BackgroundStyle style);
    static Pointer underlineStyle(UnderlineStyle style);
    static Pointer kern(float kern);
    static Pointer shadow(const TextShadow& shadow);

    Kind kind() const { return m_kind; }

    void applyTo(CustomButtonStyle& style) const override;

private:
    using Value = std::variant<QFont, QColor, float, qreal, TextAlignment, LineBreakMode,
                               BackgroundStyle, UnderlineStyle, TextShadow>;

    CustomButtonStyleDefaultModifier(Kind kind, Value value)
        : m_kind(kind), m_value(std::move(value)) {}
    static Pointer make(Kind kind, Value value);

    Kind m_kind;
    Value m_value;
};
