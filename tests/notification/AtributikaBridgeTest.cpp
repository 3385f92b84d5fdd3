#include "notification/AtributikaBridge.h"

#include "HVCocoaPackage/AttributedLabel.h"
#include "notification/FigmaPalette.h"
#include "notification/Styles.h"
#include "notification/TextStyleData.h"
#include "support/QtTestSupport.h"

#include <gtest/gtest.h>

using testing_support::countPixels;
using testing_support::near;

namespace {

const QString kTag = Styles::helperTitleStyleTag;

QFont pixelFont(int size) {
    QFont font;
    font.setPixelSize(size);
    return font;
}

} // namespace

TEST(AtributikaBridge, TaggedWordsTakeTheirStyleOverTheDefault) {
    AtributikaBridge bridge;
    ParagraphStyle paragraph;
    paragraph.alignment = TextAlignment::center;
    bridge.setFont(pixelFont(13), AtributikaBridge::DefaultTag());
    bridge.setForegroundColor(Qt::gray, AtributikaBridge::DefaultTag());
    bridge.setParagraphStyle(paragraph, AtributikaBridge::DefaultTag());
    bridge.setForegroundColor(Qt::blue, kTag);
    bridge.setFont(pixelFont(20), "big");

    const TextAttributes plain = bridge.defaultStyle().attributes;
    TextAttributes emphasised = plain;
    emphasised.foregroundColor = QColor(Qt::blue);
    TextAttributes big = plain;
    big.font = pixelFont(20);
    TextAttributes bigEmphasised = emphasised;
    bigEmphasised.font = pixelFont(20);

    struct Case {
        QString text;
        std::vector<AttributedString::Run> runs;
    };
    const Case cases[] = {
        {"no tags at all", {{"no tags at all", plain}}},
        {"<helperTitleTag>Foo</helperTitleTag> bar", {{"Foo", emphasised}, {" bar", plain}}},
        {"<a>link</a> and <unknown>more</unknown>", {{"link and more", plain}}},
        {"<big>A<helperTitleTag>B</helperTitleTag></big>C",
         {{"A", big}, {"B", bigEmphasised}, {"C", plain}}},
        {"one<br>two", {{"one\ntwo", plain}}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bridge.convertString(c.text).runs(), c.runs) << c.text.toStdString();
}

TEST(AtributikaBridge, NotificationDescriptionDrawsInTwoColours) {
    AtributikaBridge bridge;
    bridge.objcApplyWithFigmaStyle(FigmaTextStyle::helperDescription, FigmaColor::text7,
                                   TextAlignment::left, LineBreakMode::wordWrapping,
                                   AtributikaBridge::DefaultTag());
    bridge.objcApplyWithFigmaStyle(FigmaTextStyle::helperDescription, FigmaColor::linkState, kTag);
    const AttributedString text = bridge.convertString(
        "<helperTitleTag>Foo</helperTitleTag> was moved to the Bin. Its service files take "
        "<helperTitleTag>12.3 MB</helperTitleTag>.<br>Would you like to remove them?");

    AttributedLabel label;
    label.setAttributedText(text);
    label.resize(300, label.heightForWidth(300));
    // Three lines: the first wraps, the break tag starts the last.
    EXPECT_EQ(label.height(), 48);
    EXPECT_GT(label.sizeHint().width(), 300);

    QImage image(label.size(), QImage::Format_ARGB32);
    image.fill(FigmaPalette::colorForFigmaColor(FigmaColor::bg10));
    label.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    testing_support::saveSnapshot(image, "styled-text");
    const QColor link = FigmaPalette::colorForFigmaColor(FigmaColor::linkState);
    const QColor text7 = FigmaPalette::colorForFigmaColor(FigmaColor::text7);
    EXPECT_GT(countPixels(image, [&](QColor c) { return near(c, link, 30); }), 20);
    EXPECT_GT(countPixels(image, [&](QColor c) { return near(c, text7, 20); }), 100);
    EXPECT_EQ(countPixels(image, [](QColor c) { return c.lightness() < 40; }), 0);
}
