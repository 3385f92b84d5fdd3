#include "HVCocoaPackage/AttributedString.h"

#include "support/QtTestSupport.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>

using testing_support::countPixels;
using testing_support::near;

namespace {

TextAttributes styled(QColor color, std::optional<LineBreakMode> mode = std::nullopt) {
    TextAttributes attributes;
    attributes.foregroundColor = color;
    QFont font;
    font.setPixelSize(20);
    attributes.font = font;
    if (mode) {
        attributes.paragraphStyle = ParagraphStyle{};
        attributes.paragraphStyle->lineBreakMode = *mode;
    }
    return attributes;
}

QImage draw(const AttributedString& text, QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    text.draw(painter, QRectF(QPointF(0, 0), size));
    return image;
}

} // namespace

TEST(AttributedString, ParagraphStylesAndAttributesReachTheDocument) {
    TextAttributes a = styled(Qt::red);
    a.paragraphStyle = ParagraphStyle{};
    a.paragraphStyle->headIndent = 6;
    a.paragraphStyle->firstLineHeadIndent = 10;
    a.paragraphStyle->tailIndent = -4;
    AttributedString text;
    text.append("one\n", a);
    text.append("two", styled(Qt::blue));
    const auto document = text.makeDocument(200);
    ASSERT_EQ(document->blockCount(), 2);
    const QTextBlockFormat one = document->firstBlock().blockFormat();
    EXPECT_EQ(one.leftMargin(), 6);
    EXPECT_EQ(one.textIndent(), 4);
    EXPECT_EQ(one.rightMargin(), 4);
    const QTextBlock two = document->firstBlock().next();
    EXPECT_EQ(two.begin().fragment().charFormat().foreground().color(), QColor(Qt::blue));
}

TEST(AttributedString, SizeLeavesOutIndentsAndWrapsByTheFirstRunsMode) {
    TextAttributes attributes = styled(Qt::black);
    const AttributedString plain("Title", attributes);
    attributes.paragraphStyle = ParagraphStyle{};
    attributes.paragraphStyle->headIndent = 20;
    attributes.paragraphStyle->firstLineHeadIndent = 20;
    const AttributedString indented("Title", attributes);
    EXPECT_DOUBLE_EQ(indented.size().width(), plain.size().width());
    EXPECT_NEAR(indented.makeDocument(-1)->idealWidth(), plain.size().width() + 20, 0.5);

    const QString words = "several words that need more than one line";
    for (const auto& [mode, wraps] : {std::pair{LineBreakMode::wordWrapping, true},
                                      std::pair{LineBreakMode::clipping, false}}) {
        const AttributedString text(words, styled(Qt::black, mode));
        EXPECT_EQ(text.heightForWidth(60) > text.size().height(), wraps) << int(mode);
    }
}

TEST(AttributedString, DrawsRunsInTheirColourWithTheShadowBelow) {
    TextAttributes shadowed = styled(Qt::blue);
    shadowed.shadow = TextShadow{QPointF(3, 3), 0, QColor(Qt::green)};
    AttributedString text;
    text.append("RR", styled(Qt::red));
    text.append("", styled(Qt::blue));
    text.append("R", styled(Qt::red));
    text.append("BBB", shadowed);
    // Empty text makes no run, and equal attributes join.
    ASSERT_EQ(text.runs().size(), 2u);
    EXPECT_EQ(text.runs()[0].text, "RRR");
    const QImage image = draw(text, QSize(200, 40));
    for (const auto& expected : {std::pair{Qt::red, 20}, {Qt::blue, 20}, {Qt::green, 10}})
        EXPECT_GT(countPixels(image, [&](QColor c) { return near(c, expected.first, 40); }),
                  expected.second);
}

TEST(AttributedString, TruncatingModesShortenOneLineWithAnEllipsis) {
    const auto make = [](LineBreakMode mode, const QString& second = "ijklmnopqrstuvwxyz") {
        AttributedString text;
        text.append("abcdefgh", styled(Qt::red, mode));
        text.append(second, styled(Qt::blue, mode));
        return text;
    };
    const qreal width = 120;
    const std::tuple<LineBreakMode, const char*, const char*> cases[] = {
        {LineBreakMode::truncatingTail, "abc", "\u2026"},
        {LineBreakMode::truncatingHead, "\u2026", "xyz"},
        {LineBreakMode::truncatingMiddle, "abc", "xyz"}};
    for (const auto& [mode, starts, ends] : cases) {
        const AttributedString shortened = make(mode).truncated(width);
        const QString text = shortened.string();
        EXPECT_TRUE(text.startsWith(QString::fromUtf8(starts))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QString::fromUtf8(ends))) << text.toStdString();
        EXPECT_LE(shortened.makeDocument(-1)->idealWidth(), width);
        EXPECT_GT(text.size(), 4) << "keeps what fits, not only the ellipsis";
        EXPECT_EQ(shortened.runs().front().attributes.foregroundColor,
                  mode == LineBreakMode::truncatingHead ? QColor(Qt::blue) : QColor(Qt::red));
    }
    for (const AttributedString& untouched :
         {make(LineBreakMode::truncatingTail, "ij"), make(LineBreakMode::wordWrapping)})
        EXPECT_EQ(untouched.truncated(width), untouched) << untouched.string().toStdString();
    EXPECT_EQ(make(LineBreakMode::truncatingTail).truncated(0).string(), QString(QChar(0x2026)));
}
