#include "notification/TagParser.h"

#include <gtest/gtest.h>

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
        {"<b<i>x</i>", {run("<b"), run("x", {"i"})}},
        // A closing tag that matches nothing is dropped; tags left open style the rest.
        {"x</b>y<b>rest", {run("xy"), run("rest", {"b"})}},
        // Closing an outer tag ends the tags inside it.
        {"<a>x<b>y</a>z</b>", {run("x", {"a"}), run("y", {"a", "b"}), run("z")}},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(input);
        const Runs runs = TagParser::parse(QString::fromUtf8(input));
        ASSERT_EQ(runs.size(), expected.size());
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].text, expected[i].text) << i;
            EXPECT_EQ(runs[i].tags, expected[i].tags) << i;
        }
        // Escaped text comes back unchanged and untagged.
        const Runs escaped = TagParser::parse(TagParser::escape(QString::fromUtf8(input)));
        ASSERT_EQ(escaped.size(), 1u);
        EXPECT_EQ(escaped[0].text, QString::fromUtf8(input));
        EXPECT_TRUE(escaped[0].tags.empty());
    }
}

TEST(TagParser, DeepNestingStopsStylingButKeepsText) {
    const int depth = static_cast<int>(TagParser::kMaxDepth) + 40;
    const Runs runs = TagParser::parse(QString("<t>").repeated(depth) + "deep" +
                                       QString("</t>").repeated(depth) + "after");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text + runs[1].text, "deepafter");
    EXPECT_EQ(runs[0].tags.size(), TagParser::kMaxDepth);
    EXPECT_TRUE(runs[1].tags.empty());
}
