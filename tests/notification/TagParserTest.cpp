#include "notification/TagParser.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using Runs = std::vector<TagParser::Run>;

TagParser::Run run(const char* text, std::vector<QString> tags = {}) {
    return {QString::fromUtf8(text), std::move(tags)};
}

} // namespace

TEST(TagParser, ParsesTagsBreaksAndEntitiesAndShowsMalformedMarkupAsWritten) {
    const std::pair<const char*, Runs> cases[] = {
        {"<a>x<b>y</b>z</a>", {run("x", {"a"}), run("y", {"a", "b"}), run("z", {"a"})}},
        {"<b>x</b><b>y</b>", {run("xy", {"b"})}},
        {"<b></b><x/>text<y />", {run("text")}},
        {"a<br>b<br />c</br>d", {run("a\nb\ncd")}},
        {"<a href=\"x>y\" t='1'>link</a>", {run("link", {"a"})}},
        {"&lt;b&gt; &amp;lt; &quot;AT&T &unknown;", {run("<b> &lt; \"AT&T &unknown;")}},
        // A "<" that starts no complete tag is text.
        {"1<2 <> < b>x", {run("1<2 <> < b>x")}},
        {"<b attr", {run("<b attr")}},
        {"<b<i>x</i>", {run("<b"), run("x", {"i"})}},
        {"<a href=\"<b>\">x", {run("<a href=\""), run("\">x", {"b"})}},
        // A closing tag that matches nothing is dropped; tags left open style the rest.
        {"x</b>y<b>rest", {run("xy"), run("rest", {"b"})}},
        // Closing an outer tag ends the tags inside it; names are compared exactly.
        {"<a>x<b>y</a>z</b>", {run("x", {"a"}), run("y", {"a", "b"}), run("z")}},
        {"<B>x</b>y", {run("xy", {"B"})}},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(input);
        const Runs runs = TagParser::parse(QString::fromUtf8(input));
        ASSERT_EQ(runs.size(), expected.size());
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].text, expected[i].text) << i;
            EXPECT_EQ(runs[i].tags, expected[i].tags) << i;
        }
    }
}

TEST(TagParser, DeepNestingStopsStylingButKeepsText) {
    const int depth = static_cast<int>(TagParser::kMaxDepth) + 40;
    const Runs runs = TagParser::parse(QString("<t>").repeated(depth) + "deep" +
                                       QString("</t>").repeated(depth) + "after");
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
        for (int i = static_cast<int>(random() % 40); i > 0; --i)
            text += pieces[random() % pieces.size()];
        SCOPED_TRACE(text.toStdString());
        const Runs runs = TagParser::parse(text);
        qsizetype total = 0;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_FALSE(runs[i].text.isEmpty());
            EXPECT_TRUE(i == 0 || runs[i].tags != runs[i - 1].tags);
            total += runs[i].text.size();
        }
        EXPECT_LE(total, text.size());
        // Escaped text comes back unchanged and untagged.
        const Runs escaped = TagParser::parse(TagParser::escape(text));
        ASSERT_EQ(escaped.size(), text.isEmpty() ? 0u : 1u);
        if (!text.isEmpty()) {
            EXPECT_EQ(escaped[0].text, text);
            EXPECT_TRUE(escaped[0].tags.empty());
        }
    }
}
