#include "HVCocoaPackage/CustomButtonStyleDefaultModifier.h"

using Pointer = CustomButtonStyleDefaultModifier::Pointer;

Pointer CustomButtonStyleDefaultModifier::make(Kind kind, Value value) {
    return Pointer(new CustomButtonStyleDefaultModifier(kind, std::move(value)));
}

Pointer CustomButtonStyleDefaultModifier::font(const QFont& font) {
    return make(Kind::font, font);
}

Pointer CustomButtonStyleDefaultModifier::textColor(const QColor& color) {
    return make(Kind::textColor, color);
}

Pointer CustomButtonStyleDefaultModifier::alternateTextColor(const QColor& color) {
    return make(Kind::alternateTextColor, color);
}

Pointer CustomButtonStyleDefaultModifier::fontBaselineOffset(float offset) {
    return make(Kind::fontBaselineOffset, offset);
}

Pointer CustomButtonStyleDefaultModifier::horizontalContentSizeIncrease(qreal points) {
    return make(Kind::horizontalContentSizeIncrease, points);
}

Pointer CustomButtonStyleDefaultModifier::minContentWidth(qreal points) {
    return make(Kind::minContentWidth, points);
}

Pointer CustomButtonStyleDefaultModifier::headIndent(qreal points) {
    return make(Kind::headIndent, points);
}

Pointer CustomButtonStyleDefaultModifier::tailIndent(qreal points) {
    return make(Kind::tailIndent, points);
}

Pointer CustomButtonStyleDefaultModifier::alignment(TextAlignment alignment) {
    return make(Kind::alignment, alignment);
}

Pointer CustomButtonStyleDefaultModifier::lineBreakMode(LineBreakMode mode) {
    return make(Kind::lineBreakMode, mode);
}

Pointer CustomButtonStyleDefaultModifier::alphaValueForDisabledState(qreal alpha) {
    return make(Kind::alphaValueForDisabledState, alpha);
}

Pointer CustomButtonStyleDefaultModifier::backgroundStyle(BackgroundStyle style) {
    return make(Kind::backgroundStyle, style);
}

Pointer CustomButtonStyleDefaultModifier::underlineStyle(UnderlineStyle style) {
    return make(Kind::underlineStyle, style);
}

Pointer CustomButtonStyleDefaultModifier::kern(float kern) {
    return make(Kind::kern, kern);
}

Pointer CustomButtonStyleDefaultModifier::shadow(const TextShadow& shadow) {
    return make(Kind::shadow, shadow);
}

void CustomButtonStyleDefaultModifier::applyTo(CustomButtonStyle& style) const {
    switch (m_kind) {
    case Kind::font:
        style.font = std::get<QFont>(m_value);
        break;
    case Kind::textColor:
        style.textColor = std::get<QColor>(m_value);
        break;
    case Kind::alternateTextColor:
        style.alternateTextColor = std::get<QColor>(m_value);
        break;
    case Kind::fontBaselineOffset:
        style.fontBaselineOffset = std::get<float>(m_value);
        break;
    case Kind::horizontalContentSizeIncrease:
        style.horizontalСontentSizeIncrease = std::get<qreal>(m_value);
        break;
    case Kind::minContentWidth:
        style.minContentWidth = std::get<qreal>(m_value);
        break;
    case Kind::headIndent:
        style.headIndent = std::get<qreal>(m_value);
        break;
    case Kind::tailIndent:
        style.tailIndent = std::get<qreal>(m_value);
        break;
    case Kind::alignment:
        style.alignment = std::get<TextAlignment>(m_value);
        break;
    case Kind::lineBreakMode:
        style.lineBreakMode = std::get<LineBreakMode>(m_value);
        break;
    case Kind::alphaValueForDisabledState:
        style.alphaValueForDisabledState = std::get<qreal>(m_value);
        break;
    case Kind::backgroundStyle:
        style.backgroundStyle = std::get<BackgroundStyle>(m_value);
        break;
    case Kind::underlineStyle:
        style.underlineStyle = std::get<UnderlineStyle>(m_value);
        break;
    case Kind::kern:
        style.kern = std::get<float>(m_value);
        break;
    case Kind::shadow:
        style.shadow = std::get<TextShadow>(m_value);
        break;
    }
}
