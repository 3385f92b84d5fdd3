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

TextAttributes colored(QColor color) {
    TextAttributes attributes;
    attributes.foregroundColor = color;
    QFont font;
    font.setPixelSize(20);
    attributes.font = font;
    return attributes;
}

QImage draw(const AttributedString& text, QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    text.draw(painter, QRectF(QPointF(0, 0), size));
    return image;
}

// The first row, from the top, with a dark pixel; -1 without one.
int topInkRow(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y).lightness() < 128)
                return y;
        }
    }
    return -1;
}

} // namespace

TEST(AttributedString, JoinsRunsWithEqualAttributesAndDropsEmptyText) {
    AttributedString text;
    text.append("Foo", colored(Qt::red));
    text.append("", colored(Qt::blue));
    text.append(" bar", colored(Qt::red));
    text.append("!", colored(Qt::blue));
    ASSERT_EQ(text.runs().size(), 2u);
    EXPECT_EQ(text.runs()[0].text, "Foo bar");
    EXPECT_EQ(text.string(), "Foo bar!");
    EXPECT_TRUE(AttributedString().isEmpty());
}

TEST(AttributedString, ParagraphStylesAndAttributesReachTheDocument) {
    ParagraphStyle first;
    first.alignment = TextAlignment::center;
    first.headIndent = 6;
    first.firstLineHeadIndent = 10;
    first.tailIndent = -4;
    first.minimumLineHeight = first.maximumLineHeight = 16;
    ParagraphStyle second;
    second.alignment = TextAlignment::right;
    second.minimumLineHeight = 30;

    TextAttributes a = colored(Qt::red);
    a.paragraphStyle = first;
    a.kern = 1.5f;
    a.underlineStyle = UnderlineStyle::single;
    TextAttributes b = colored(Qt::blue);
    b.paragraphStyle = second;

    AttributedString text;
    text.append("one\n", a);
    text.append("two", b);
    const auto document = text.makeDocument(200);
    ASSERT_EQ(document->blockCount(), 2);

    const QTextBlockFormat one = document->firstBlock().blockFormat();
    EXPECT_EQ(one.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(one.leftMargin(), 6);
    EXPECT_EQ(one.textIndent(), 4);
    EXPECT_EQ(one.rightMargin(), 4);
    EXPECT_EQ(one.lineHeightType(), QTextBlockFormat::FixedHeight);
    EXPECT_EQ(one.lineHeight(), 16);
    const QTextCharFormat oneCharacters = document->firstBlock().begin().fragment().charFormat();
    EXPECT_EQ(oneCharacters.foreground().color(), QColor(Qt::red));
    EXPECT_EQ(oneCharacters.fontLetterSpacingType(), QFont::AbsoluteSpacing);
    EXPECT_EQ(oneCharacters.fontLetterSpacing(), 1.5);
    EXPECT_TRUE(oneCharacters.fontUnderline());

    const QTextBlock twoBlock = document->firstBlock().next();
    EXPECT_EQ(twoBlock.text(), "two");
    EXPECT_EQ(twoBlock.blockFormat().alignment(), Qt::AlignRight | Qt::AlignAbsolute);
    EXPECT_EQ(twoBlock.blockFormat().lineHeightType(), QTextBlockFormat::MinimumHeight);
    EXPECT_EQ(twoBlock.begin().fragment().charFormat().foreground().color(), QColor(Qt::blue));
}

TEST(AttributedString, WrapsByTheLineBreakModeOfItsFirstRun) {
    const QString words = "several words that need more than one line";
    for (const auto& [mode, wraps] :
         {std::pair{LineBreakMode::wordWrapping, true},
          std::pair{LineBreakMode::charWrapping, true}, std::pair{LineBreakMode::clipping, false},
          std::pair{LineBreakMode::truncatingTail, false}}) {
        TextAttributes attributes = colored(Qt::black);
        attributes.paragraphStyle = ParagraphStyle{};
        attributes.paragraphStyle->lineBreakMode = mode;
        const AttributedString text(words, attributes);
        const qreal oneLine = text.size().height();
        EXPECT_EQ(text.heightForWidth(60) > oneLine, wraps) << static_cast<int>(mode);
    }
}

TEST(AttributedString, SizeLeavesOutParagraphIndents) {
    TextAttributes attributes = colored(Qt::black);
    const AttributedString plain("Title", attributes);
    attributes.paragraphStyle = ParagraphStyle{};
    attributes.paragraphStyle->headIndent = 20;
    attributes.paragraphStyle->firstLineHeadIndent = 20;
    const AttributedString indented("Title", attributes);
    EXPECT_DOUBLE_EQ(indented.size().width(), plain.size().width());
    EXPECT_NEAR(indented.makeDocument(-1)->idealWidth(), plain.size().width() + 20, 0.5);
}

TEST(AttributedString, DrawsEachRunInItsColourAndTheShadowBelow) {
    TextAttributes shadowed = colored(Qt::blue);
    shadowed.shadow = TextShadow{QPointF(3, 3), 0, QColor(Qt::green)};
    AttributedString text;
    text.append("RRR", colored(Qt::red));
    text.append("BBB", shadowed);
    const QImage image = draw(text, QSize(200, 40));
    testing_support::saveSnapshot(image, "attributed-string");
    const auto count = [&](QColor color) {
        return countPixels(image, [&](QColor c) { return near(c, color, 40); });
    };
    EXPECT_GT(count(Qt::red), 20);
    EXPECT_GT(count(Qt::blue), 20);
    EXPECT_GT(count(Qt::green), 10);
}

TEST(AttributedString, BaselineOffsetRaisesTheTextByThatManyPoints) {
    TextAttributes attributes = colored(Qt::black);
    const int plain = topInkRow(draw(AttributedString("xxxx", attributes), QSize(100, 60)));
    attributes.baselineOffset = 6;
    const int raised = topInkRow(draw(AttributedString("xxxx", attributes), QSize(100, 60)));
    ASSERT_GE(plain, 0);
    ASSERT_GE(raised, 0);
    EXPECT_NEAR(plain - raised, 6, 1);
}

TEST(AttributedString, TruncatingModesShortenOneLineWithAnEllipsis) {
    const auto make = [](LineBreakMode mode, const QString& second = "ijklmnopqrstuvwxyz") {
        TextAttributes red = colored(Qt::red);
        red.paragraphStyle = ParagraphStyle{};
        red.paragraphStyle->lineBreakMode = mode;
        TextAttributes blue = red;
        blue.foregroundColor = QColor(Qt::blue);
        AttributedString text;
        text.append("abcdefgh", red);
        text.append(second, blue);
        return text;
    };
    const qreal width = 120;
    struct Case {
        LineBreakMode mode;
        const char* starts;
        const char* ends;
    };
    for (const Case& c : {Case{LineBreakMode::truncatingTail, "abc", "\u2026"},
                          Case{LineBreakMode::truncatingHead, "\u2026", "xyz"},
                          Case{LineBreakMode::truncatingMiddle, "abc", "xyz"}}) {
        const AttributedString shortened = make(c.mode).truncated(width);
        const QString text = shortened.string();
        EXPECT_TRUE(text.startsWith(QString::fromUtf8(c.starts))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QString::fromUtf8(c.ends))) << text.toStdString();
        EXPECT_EQ(text.count(QChar(0x2026)), 1) << text.toStdString();
        EXPECT_LE(shortened.makeDocument(-1)->idealWidth(), width);
        // It keeps what fits, not only the ellipsis.
        EXPECT_GT(text.size(), 4);
        EXPECT_EQ(shortened.runs().front().attributes.foregroundColor,
                  c.mode == LineBreakMode::truncatingHead ? QColor(Qt::blue) : QColor(Qt::red));
    }
    for (const AttributedString& untouched :
         {make(LineBreakMode::truncatingTail, "ij"), make(LineBreakMode::clipping),
          make(LineBreakMode::wordWrapping),
          make(LineBreakMode::truncatingTail, "ij\nklmnopqrstuvwxyz")}) {
        EXPECT_EQ(untouched.truncated(width), untouched) << untouched.string().toStdString();
    }
    EXPECT_EQ(make(LineBreakMode::truncatingTail).truncated(0).string(), QString(QChar(0x2026)));
}
