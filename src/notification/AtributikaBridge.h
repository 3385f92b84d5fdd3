#pragma once

#include "HVCocoaPackage/AttributedString.h"
#include "notification/FigmaColor.h"
#include "notification/FigmaTextStyle.h"

#include <QString>
#include <map>

// Styled text from tagged strings. The default style covers the whole text;
// words inside a tag take that tag's style over it. Tag rules: TagParser.
//
// Every setter takes a tag name; the empty name (DefaultTag) means the default
// style. Use on the main thread (fonts and colours are Qt GUI objects).
class AtributikaBridge {
public:
    struct Style {
        QString name;
        TextAttributes attributes;

        bool operator==(const Style&) const = default;
    };

    static QString DefaultTag() { return {}; }

    // A styler whose default style is set as by the five-argument
    // objcApplyWithFigmaStyle (used for cells of lists).
    static AtributikaBridge textStyleApplier(FigmaTextStyle style, FigmaColor color,
                                             TextAlignment alignment, LineBreakMode lineBreakMode);

    const Style& defaultStyle() const { return m_defaultStyle; }
    const std::map<QString, Style>& styles() const { return m_styles; }
    const std::map<QString, float>& kernValues() const { return m_kernValues; }
    // A kern added to the tag's kern; nothing in the helper sets one.
    const std::map<QString, float>& interpolations() const { return m_interpolations; }
    void setInterpolation(float addition, const QString& tag);

    void setFont(const QFont& font, const QString& tag);
    void setForegroundColor(const QColor& color, const QString& tag);
    void setParagraphStyle(const ParagraphStyle& paragraphStyle, const QString& tag);
    void setKern(float kern, const QString& tag);

    // Font, kern (the style's, else 0) and colour of a numbered style; the
    // paragraph style stays as it was.
    void objcApplyWithFigmaStyle(FigmaTextStyle style, FigmaColor color, const QString& tag);
    // The same, and the paragraph style with the alignment, line-break mode and
    // the style's line height.
    void objcApplyWithFigmaStyle(FigmaTextStyle style, FigmaColor color, TextAlignment alignment,
                                 LineBreakMode lineBreakMode, const QString& tag);

    AttributedString convertString(const QString& text) const;

private:
    Style& styleFor(const QString& tag);

    Style m_defaultStyle;
    std::map<QString, Style> m_styles;
    std::map<QString, float> m_kernValues;
    std::map<QString, float> m_interpolations;
};
