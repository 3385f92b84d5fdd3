#pragma once

#include "HVCocoaPackage/TextAttributes.h"

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

class QPainter;
class QTextDocument;

// Text made of runs, each with its own attributes, drawn through a QTextDocument.
// A "\n" in a run starts a new paragraph; each paragraph takes the paragraph
// style of the run it starts with, and the whole text wraps by the line-break
// mode of its first run.
class AttributedString {
public:
    struct Run {
        QString text;
        TextAttributes attributes;

        bool operator==(const Run&) const = default;
    };

    AttributedString() = default;
    AttributedString(const QString& text, const TextAttributes& attributes);

    // Adds text at the end; it joins the last run when the attributes are equal.
    void append(const QString& text, const TextAttributes& attributes);

    const std::vector<Run>& runs() const { return m_runs; }
    QString string() const;
    bool isEmpty() const { return m_runs.empty(); }

    // The size of the text on one unlimited line per paragraph, without the
    // paragraph indents.
    QSizeF size() const;

    // The height the text needs when it is laid out `width` points wide.
    qreal heightForWidth(qreal width) const;

    // Draws the text from the top left corner of `rect`, laid out to its width
    // and clipped to it. A one-paragraph text whose line-break mode truncates is
    // shortened with an ellipsis to fit the width; longer texts are clipped.
    void draw(QPainter& painter, const QRectF& rect) const;

    // The text shortened at the head, middle or tail, as its first paragraph
    // style says, with "…" in place of what was left out, so that it fits `width`
    // on one line. The text itself when it fits, wraps, or has several paragraphs.
    AttributedString truncated(qreal width) const;

    // A document with the text, laid out `width` points wide (negative: unlimited).
    std::unique_ptr<QTextDocument> makeDocument(qreal width) const;

    bool operator==(const AttributedString&) const = default;

private:
    enum class Indents { apply, ignore };
    enum class Colors { own, shadow };

    std::unique_ptr<QTextDocument> build(qreal width, Indents indents, Colors colors) const;
    void drawFitted(QPainter& painter, const QRectF& rect) const;
    // The characters [from, to) of the text with their attributes.
    void appendSlice(AttributedString& to, qsizetype from, qsizetype end) const;
    const TextAttributes& attributesAt(qsizetype index) const;
    bool hasShadow() const;

    std::vector<Run> m_runs;
};
