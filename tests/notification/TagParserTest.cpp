#include "notification/TagParser.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using Runs = std::vector<TagParser::Run>;

TagParser::Run run(const char* text, std::vector<QString> tags = {}) {
    return {QString::fromUtf8(text), std::move(tags)};
}

struct Case {
    const char* input;
    Runs expected;
};

void expectParses(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const Runs runs = TagParser::parse(QString::fromUtf8(c.input));
        ASSERT_EQ(runs.size(), c.expected.size()) << c.input;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].text, c.expected[i].text) << c.input << " run " << i;
            EXPECT_EQ(runs[i].tags, c.expected[i].tags) << c.input << " run " << i;
        }
    }
}

} // namespace

TEST(TagParser, TagsStyleTheirTextAndLeaveNoMarkers) {
    expectParses({
        {"", {}},
        {"plain text", {run("plain text")}},
        {"<helperTitleTag>Foo</helperTitleTag> bar", {run("Foo", {"helperTitleTag"}), run(" bar")}},
        {"<a>x<b>y</b>z</a>", {run("x", {"a"}), run("y", {"a", "b"}), run("z", {"a"})}},
        {"<b>x</b><b>y</b>", {run("xy", {"b"})}},
        {"<b></b>", {}},
        {"<h1>x</h1><x-y.z:w>y</x-y.z:w>", {run("x", {"h1"}), run("y", {"x-y.z:w"})}},
        {"<b>x</b >y", {run("x", {"b"}), run("y")}},
        {"<x/>text<y />", {run("text")}},
    });
}

TEST(TagParser, LineBreakTagsBecomeNewlines) {
    expectParses({
        {"a<br>b", {run("a\nb")}},
        {"a<br/>b<br />c", {run("a\nb\nc")}},
        {"a</br>b", {run("ab")}},
        {"<b>x<br>y</b>", {run("x\ny", {"b"})}},
        {"<br>", {run("\n")}},
    });
}

TEST(TagParser, AttributesAreIgnored) {
    expectParses({
        {"<a href=\"x>y\">link</a>", {run("link", {"a"})}},
        {"<a href='1' title=\"t\">x</a>", {run("x", {"a"})}},
        {"<a\thref=x>x</a>", {run("x", {"a"})}},
        {"<a href=x/>x", {run("x")}},
    });
}

TEST(TagParser, MalformedMarkupIsShownAsWrittenOrDropped) {
    expectParses({
        // A "<" that starts no complete tag is text.
        {"a < b", {run("a < b")}},
        {"1<2", {run("1<2")}},
        {"<>", {run("<>")}},
        {"</>", {run("</>")}},
        {"< b>x", {run("< b>x")}},
        {"x<b", {run("x<b")}},
        {"<b attr", {run("<b attr")}},
        {"<a href=\"x>", {run("<a href=\"x>")}},
        {"<b<i>x</i>", {run("<b"), run("x", {"i"})}},
        {"<<b>x</b>", {run("<"), run("x", {"b"})}},
        {"<a href=\"<b>\">x", {run("<a href=\""), run("\">x", {"b"})}},
        {"<b/x", {run("<b/x")}},
        // A closing tag that matches nothing is dropped.
        {"x</b>y", {run("xy")}},
        {"</b>", {}},
        // Tags left open style the rest of the text.
        {"<b>rest", {run("rest", {"b"})}},
        {"a<b>b<i>c", {run("a"), run("b", {"b"}), run("c", {"b", "i"})}},
        // Closing an outer tag ends the tags inside it.
        {"<a>x<b>y</a>z</b>", {run("x", {"a"}), run("y", {"a", "b"}), run("z")}},
        // Names are compared exactly.
        {"<B>x</b>y", {run("xy", {"B"})}},
    });
}

TEST(TagParser, EntitiesStandForTheirCharacters) {
    expectParses({
        {"&lt;b&gt;x&lt;/b&gt;", {run("<b>x</b>")}},
        {"&amp;lt; &quot;q&quot; &apos;", {run("&lt; \"q\" '")}},
        {"AT&T &unknown; &", {run("AT&T &unknown; &")}},
        {"<b>&lt;</b>", {run("<", {"b"})}},
    });
}

TEST(TagParser, DeepNestingStopsStylingButKeepsText) {
    QString text;
    const int depth = static_cast<int>(TagParser::kMaxDepth) + 40;
    for (int i = 0; i < depth; ++i)
        text += "<t>";
    text += "deep";
    for (int i = 0; i < depth; ++i)
        text += "</t>";
    text += "after";
    const Runs runs = TagParser::parse(text);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "deep");
    EXPECT_EQ(runs[0].tags.size(), TagParser::kMaxDepth);
    EXPECT_EQ(runs[1].text, "after");
    EXPECT_TRUE(runs[1].tags.empty());
}

TEST(TagParser, RandomMarkupKeepsItsPromises) {
    const std::vector<QString> pieces = {"<", ">", "/",    "b", "br", "a",  " ", "\"",  "'",
                                         "x", "=", "&lt;", "&", ";",  "\n", "é", "<b>", "</b>"};
    std::mt19937 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i)
            text += pieces[random() % pieces.size()];

        const Runs runs = TagParser::parse(text);
        qsizetype total = 0;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_FALSE(runs[i].text.isEmpty()) << text.toStdString();
            EXPECT_LE(runs[i].tags.size(), TagParser::kMaxDepth);
            if (i > 0) {
                EXPECT_NE(runs[i].tags, runs[i - 1].tags) << text.toStdString();
            }
            total += runs[i].text.size();
        }
        EXPECT_LE(total, text.size()) << text.toStdString();

        // Escaped text comes back unchanged and untagged.
        const Runs escaped = TagParser::parse(TagParser::escape(text));
        if (text.isEmpty()) {
            EXPECT_TRUE(escaped.empty());
        } else {
            ASSERT_EQ(escaped.size(), 1u) << text.toStdString();
            EXPECT_EQ(escaped[0].text, text);
            EXPECT_TRUE(escaped[0].tags.empty());
        }
    }
}
