#include "HVCocoaPackage/AttributedString.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace {

Qt::Alignment qtAlignment(TextAlignment alignment) {
    switch (alignment) {
    case TextAlignment::left:
        return Qt::AlignLeft | Qt::AlignAbsolute;
    case TextAlignment::right:
        return Qt::AlignRight | Qt::AlignAbsolute;
    case TextAlignment::center:
        return Qt::AlignHCenter;
    case TextAlignment::justified:
        return Qt::AlignJustify;
    case TextAlignment::natural:
        break;
    }
    return Qt::AlignLeading;
}

QTextOption::WrapMode wrapMode(LineBreakMode mode) {
    switch (mode) {
    case LineBreakMode::wordWrapping:
        // Like the platform's word wrapping, a word longer than the line breaks.
        return QTextOption::WrapAtWordBoundaryOrAnywhere;
    case LineBreakMode::charWrapping:
        return QTextOption::WrapAnywhere;
    default:
        return QTextOption::NoWrap;
    }
}

QTextBlockFormat blockFormat(const std::optional<ParagraphStyle>& style, bool withIndents) {
    QTextBlockFormat format;
    const ParagraphStyle paragraph = style.value_or(ParagraphStyle{});
    format.setAlignment(qtAlignment(paragraph.alignment));
    if (withIndents) {
        format.setLeftMargin(paragraph.headIndent);
        format.setTextIndent(paragraph.firstLineHeadIndent - paragraph.headIndent);
        format.setRightMargin(paragraph.tailIndent < 0 ? -paragraph.tailIndent : 0);
    }
    const qreal minimum = paragraph.minimumLineHeight;
    const qreal maximum = paragraph.maximumLineHeight;
    if (minimum > 0 && minimum == maximum)
        format.setLineHeight(minimum, QTextBlockFormat::FixedHeight);
    else if (minimum > 0)
        format.setLineHeight(minimum, QTextBlockFormat::MinimumHeight);
    return format;
}

QTextCharFormat charFormat(const TextAttributes& attributes, bool shadowPass) {
    QTextCharFormat format;
    const QFont font = attributes.font.value_or(QFont());
    if (attributes.font)
        format.setFont(font, QTextCharFormat::FontPropertiesAll);
    if (attributes.kern) {
        format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        format.setFontLetterSpacing(*attributes.kern);
    }
    if (attributes.baselineOffset && *attributes.baselineOffset != 0) {
        // Qt measures the offset in percent of the font's height.
        const qreal height = QFontMetricsF(font).height();
        if (height > 0)
            format.setBaselineOffset(*attributes.baselineOffset * 100.0 / height);
    }
    if (attributes.underlineStyle && *attributes.underlineStyle != UnderlineStyle::none)
        format.setFontUnderline(true);
    QColor color = attributes.foregroundColor.value_or(QColor(Qt::black));
    if (shadowPass)
        color = attributes.shadow ? attributes.shadow->color : QColor(Qt::transparent);
    format.setForeground(color);
    return format;
}

} // namespace

AttributedString::AttributedString(const QString& text, const TextAttributes& attributes) {
    append(text, attributes);
}

void AttributedString::append(const QString& text, const TextAttributes& attributes) {
    if (text.isEmpty())
        return;
    if (!m_runs.empty() && m_runs.back().attributes == attributes)
        m_runs.back().text += text;
    else
        m_runs.push_back({text, attributes});
}

QString AttributedString::string() const {
    QString text;
    for (const Run& run : m_runs)
        text += run.text;
    return text;
}

QSizeF AttributedString::size() const {
    const auto document = build(-1, Indents::ignore, Colors::own);
    return {document->idealWidth(), document->size().height()};
}

qreal AttributedString::heightForWidth(qreal width) const {
    return build(width, Indents::apply, Colors::own)->size().height();
}

std::unique_ptr<QTextDocument> AttributedString::makeDocument(qreal width) const {
    return build(width, Indents::apply, Colors::own);
}

void AttributedString::draw(QPainter& painter, const QRectF& rect) const {
    if (m_runs.empty() || rect.isEmpty())
        return;
    truncated(rect.width()).drawFitted(painter, rect);
}

AttributedString AttributedString::truncated(qreal width) const {
    const auto& style = m_runs.empty() ? std::nullopt : m_runs.front().attributes.paragraphStyle;
    const LineBreakMode mode = style ? style->lineBreakMode : LineBreakMode::wordWrapping;
    const bool truncates = mode == LineBreakMode::truncatingHead ||
                           mode == LineBreakMode::truncatingTail ||
                           mode == LineBreakMode::truncatingMiddle;
    const QString text = string();
    const qsizetype length = text.size();
    if (!truncates || text.contains(QLatin1Char('\n')) ||
        build(-1, Indents::apply, Colors::own)->idealWidth() <= width)
        return *this;

    const QString ellipsis(QChar(0x2026));
    // Keeps `kept` characters; never splits a surrogate pair.
    const auto shorten = [&](qsizetype kept) {
        qsizetype head = mode == LineBreakMode::truncatingTail     ? kept
                         : mode == LineBreakMode::truncatingMiddle ? (kept + 1) / 2
                                                                   : 0;
        qsizetype tailStart = length - (kept - head);
        if (head > 0 && text[head - 1].isHighSurrogate())
            --head;
        if (tailStart < length && text[tailStart].isLowSurrogate())
            ++tailStart;
        AttributedString result;
        appendSlice(result, 0, head);
        result.append(ellipsis,
                      attributesAt(head > 0 ? head - 1 : std::min(tailStart, length - 1)));
        appendSlice(result, tailStart, length);
        return result;
    };
    // The most characters that still fit, found by halving.
    qsizetype fits = 0;
    qsizetype tooMany = length;
    while (tooMany - fits > 1) {
        const qsizetype middle = fits + (tooMany - fits) / 2;
        if (shorten(middle).build(-1, Indents::apply, Colors::own)->idealWidth() <= width)
            fits = middle;
        else
            tooMany = middle;
    }
    return shorten(fits);
}

void AttributedString::appendSlice(AttributedString& to, qsizetype from, qsizetype end) const {
    qsizetype start = 0;
    for (const Run& run : m_runs) {
        const qsizetype runEnd = start + run.text.size();
        const qsizetype sliceStart = std::max(from, start);
        const qsizetype sliceEnd = std::min(end, runEnd);
        if (sliceStart < sliceEnd)
            to.append(run.text.mid(sliceStart - start, sliceEnd - sliceStart), run.attributes);
        start = runEnd;
    }
}

const TextAttributes& AttributedString::attributesAt(qsizetype index) const {
    qsizetype start = 0;
    for (const Run& run : m_runs) {
        start += run.text.size();
        if (index < start)
            return run.attributes;
    }
    return m_runs.back().attributes;
}

void AttributedString::drawFitted(QPainter& painter, const QRectF& rect) const {
    painter.save();
    painter.translate(rect.topLeft());
    const QRectF visible(QPointF(0, 0), rect.size());
    if (hasShadow()) {
        // The shadow of the first run that has one stands for the whole text.
        QPointF offset;
        for (const Run& run : m_runs) {
            if (run.attributes.shadow) {
                offset = run.attributes.shadow->offset;
                break;
            }
        }
        painter.save();
        painter.setClipRect(visible);
        painter.translate(offset);
        build(rect.width(), Indents::apply, Colors::shadow)
            ->drawContents(&painter, visible.translated(-offset));
        painter.restore();
    }
    build(rect.width(), Indents::apply, Colors::own)->drawContents(&painter, visible);
    painter.restore();
}

bool AttributedString::hasShadow() const {
    for (const Run& run : m_runs) {
        if (run.attributes.shadow)
            return true;
    }
    return false;
}

std::unique_ptr<QTextDocument> AttributedString::build(qreal width, Indents indents,
                                                       Colors colors) const {
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    document->setDocumentMargin(0);
    QTextOption option = document->defaultTextOption();
    const auto& firstStyle =
        m_runs.empty() ? std::nullopt : m_runs.front().attributes.paragraphStyle;
    option.setWrapMode(
        wrapMode(firstStyle ? firstStyle->lineBreakMode : LineBreakMode::wordWrapping));
    document->setDefaultTextOption(option);
    if (width >= 0)
        document->setTextWidth(width);

    const bool withIndents = indents == Indents::apply;
    QTextCursor cursor(document.get());
    // A paragraph takes its style from the run that puts the first character
    // into it, or, when it stays empty, from the run that ends it.
    bool atBlockStart = true;
    const auto startBlock = [&](const Run& run, const QTextCharFormat& characters) {
        cursor.setBlockFormat(blockFormat(run.attributes.paragraphStyle, withIndents));
        cursor.setBlockCharFormat(characters);
        atBlockStart = false;
    };
    for (const Run& run : m_runs) {
        const QTextCharFormat characters = charFormat(run.attributes, colors == Colors::shadow);
        qsizetype from = 0;
        while (true) {
            const qsizetype newline = run.text.indexOf(QLatin1Char('\n'), from);
            const QString piece = run.text.mid(from, newline < 0 ? -1 : newline - from);
            if (!piece.isEmpty()) {
                if (atBlockStart)
                    startBlock(run, characters);
                cursor.insertText(piece, characters);
            }
            if (newline < 0)
                break;
            if (atBlockStart)
                startBlock(run, characters);
            cursor.insertBlock();
            atBlockStart = true;
            from = newline + 1;
        }
    }
    if (atBlockStart && !m_runs.empty())
        startBlock(m_runs.back(), charFormat(m_runs.back().attributes, colors == Colors::shadow));
    return document;
}
