#include "notification/AtributikaBridge.h"

#include "notification/FigmaPalette.h"
#include "notification/TagParser.h"
#include "notification/TextStyleData.h"

AtributikaBridge AtributikaBridge::textStyleApplier(FigmaTextStyle style, FigmaColor color,
                                                    TextAlignment alignment,
                                                    LineBreakMode lineBreakMode) {
    AtributikaBridge bridge;
    bridge.objcApplyWithFigmaStyle(style, color, alignment, lineBreakMode, DefaultTag());
    return bridge;
}

AtributikaBridge::Style& AtributikaBridge::styleFor(const QString& tag) {
    if (tag.isEmpty())
        return m_defaultStyle;
    return m_styles.try_emplace(tag, Style{tag, {}}).first->second;
}

void AtributikaBridge::setInterpolation(float addition, const QString& tag) {
    m_interpolations[tag] = addition;
}

void AtributikaBridge::setFont(const QFont& font, const QString& tag) {
    styleFor(tag).attributes.font = font;
}

void AtributikaBridge::setForegroundColor(const QColor& color, const QString& tag) {
    styleFor(tag).attributes.foregroundColor = color;
}

void AtributikaBridge::setParagraphStyle(const ParagraphStyle& paragraphStyle, const QString& tag) {
    styleFor(tag).attributes.paragraphStyle = paragraphStyle;
}

void AtributikaBridge::setKern(float kern, const QString& tag) {
    m_kernValues[tag] = kern;
    const auto interpolation = m_interpolations.find(tag);
    const float addition = interpolation == m_interpolations.end() ? 0.0f : interpolation->second;
    styleFor(tag).attributes.kern = kern + addition;
}

void AtributikaBridge::objcApplyWithFigmaStyle(FigmaTextStyle style, FigmaColor color,
                                               const QString& tag) {
    const TextStyleData& data = TextStyleData::forStyle(style);
    setFont(data.font(), tag);
    setKern(data.kern.value_or(0.0f), tag);
    setForegroundColor(FigmaPalette::colorForFigmaColor(color), tag);
}

void AtributikaBridge::objcApplyWithFigmaStyle(FigmaTextStyle style, FigmaColor color,
                                               TextAlignment alignment, LineBreakMode lineBreakMode,
                                               const QString& tag) {
    const TextStyleData& data = TextStyleData::forStyle(style);
    setParagraphStyle(data.paragraphStyle(alignment, lineBreakMode), tag);
    setFont(data.font(), tag);
    setForegroundColor(FigmaPalette::colorForFigmaColor(color), tag);
    setKern(data.kern.value_or(0.0f), tag);
}

AttributedString AtributikaBridge::convertString(const QString& text) const {
    AttributedString result;
    for (const TagParser::Run& run : TagParser::parse(text)) {
        TextAttributes attributes = m_defaultStyle.attributes;
        for (const QString& tag : run.tags) {
            const auto style = m_styles.find(tag);
            if (style != m_styles.end())
                attributes.overlay(style->second.attributes);
        }
        result.append(run.text, attributes);
    }
    return result;
}
