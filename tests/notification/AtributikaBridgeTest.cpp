#include "notification/AtributikaBridge.h"

#include "notification/Styles.h"
#include "notification/TextStyleData.h"

#include <gtest/gtest.h>

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
    bridge.setFont(pixelFont(13), AtributikaBridge::DefaultTag());
    bridge.setForegroundColor(Qt::gray, AtributikaBridge::DefaultTag());
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
    };
    for (const Case& c : cases)
        EXPECT_EQ(bridge.convertString(c.text).runs(), c.runs) << c.text.toStdString();
}
