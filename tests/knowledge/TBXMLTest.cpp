#include "knowledge/TBXML.h"

#include "knowledge/TBXMLShape.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using testing_support::shapeOf;

namespace {

struct ShapeCase {
    const char* behaviour;
    std::string xml;
    std::string shape;
};

std::shared_ptr<TBXML> parsed(std::string_view xml) {
    auto reader = TBXML::newTBXMLWithXMLData(xml);
    EXPECT_NE(reader, nullptr);
    return reader;
}

} // namespace

TEST(TBXML, BuildsTheTreeOfWellFormedDocuments) {
    const std::vector<ShapeCase> cases{
        {"children in document order", "<a><b/><c><d/></c><e/></a>", "a(b c(d) e)"},
        {"attributes in both quotes, in order", "<a x=\"1\" y='2' z = \"3\"/>", "a[x=1 y=2 z=3]"},
        {"the other quote inside a value", "<a x=\"it's\" y='say \"hi\"'/>",
         "a[x=it's y=say \"hi\"]"},
        {"tabs and line breaks inside tags", "<a\r\n\tx=\"1\"\n\ty='2'\r\n/>", "a[x=1 y=2]"},
        {"attribute right after a closing quote", "<a x=\"1\"y=\"2\" />", "a[x=1 y=2]"},
        {"declaration, document type and instructions skipped",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE base>\n<?pi x?><base><x/></base>", "base(x)"},
        {"comments anywhere, even holding tags",
         "<!-- c --><a><!-- <b/> --><c/><!-- x --></a><!-- end -->", "a(c)"},
        {"a comment inside a text is cut out", "<a> one<!-- two --> three </a>", "a\"one three\""},
        {"leaf text trimmed of blanks and line breaks",
         "<f>\n   ~/Library/Caches/com.x  \r\n\t</f>", "f\"~/Library/Caches/com.x\""},
        {"text around a self-closing child dropped", "<a>before<b/>after</a>", "a(b)"},
        {"text of a parent dropped", "<a> t <b>x</b> u </a>", "a(b\"x\")"},
        {"CDATA holding markup is text", "<a><![CDATA[<b>&amp;</b>]]></a>", "a\"<b>&amp;</b>\""},
        {"CDATA joined with the text around it", "<a> x <![CDATA[ y ]]> z </a>", "a\"x  y  z\""},
        {"consecutive CDATA sections", "<a><![CDATA[1]]><![CDATA[2]]>3<![CDATA[]]></a>",
         "a\"123\""},
        {"CDATA and a comment in one text", "<a>1<!--x--><![CDATA[2]]><!--y-->3</a>", "a\"123\""},
        {"CDATA in a value, holding quotes and >",
         "<a v=\"<![CDATA[say \"x>y\"]]>!\" w='<![CDATA[]]>'/>", "a[v=say \"x>y\"! w=]"},
        {"entities stay as written", "<a v=\"&amp;&#38;&lt;\">&amp; &#x26;</a>",
         "a[v=&amp;&#38;&lt;]\"&amp; &#x26;\""},
        {"UTF-8 passes through", "<\xC3\xBC a=\"\xC3\x9F\">\xE6\x97\xA5</\xC3\xBC>",
         "\xC3\xBC[a=\xC3\x9F]\"\xE6\x97\xA5\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        auto reader = parsed(c.xml);
        EXPECT_EQ(shapeOf(*reader), c.shape);
    }
}

TEST(TBXML, KeepsEveryRecordBeyondOnePool) {
    std::string xml = "<list>";
    for (int i = 0; i < 250; ++i)
        xml += "<i n=\"" + std::to_string(i) + "\" a=\"\" b=\"x\"/>";
    xml += "</list>";
    auto reader = parsed(xml);
    shapeOf(*reader);

    int count = 0;
    const _TBXMLElement* last = nullptr;
    for (const _TBXMLElement* i = reader->rootXMLElement()->firstChild; i; i = i->nextSibling) {
        EXPECT_EQ(TBXML::valueOfAttributeNamed("n", i), std::to_string(count));
        EXPECT_EQ(TBXML::valueOfAttributeNamed("b", i), "x");
        last = i;
        ++count;
    }
    EXPECT_EQ(count, 250);
    for (int back = 249; last; last = last->previousSibling, --back)
        EXPECT_EQ(TBXML::valueOfAttributeNamed("n", last), std::to_string(back));
}

TEST(TBXML, LeavesTheCallersBytesUntouched) {
    const std::string xml = "<a x=\"<![CDATA[1]]>\"> t <!-- c --><![CDATA[2]]> </a>";
    const std::string copy = xml;
    auto reader = parsed(xml);
    EXPECT_EQ(xml, copy);
    EXPECT_EQ(TBXML::textForElement(reader->rootXMLElement()), "t 2");
}

TEST(TBXML, FindsAttributesByExactName) {
    auto reader = parsed("<a name=\"1\" Name=\"2\" name=\"3\" names=\"4\" empty=\"\"/>");
    const _TBXMLElement* a = reader->rootXMLElement();
    EXPECT_EQ(TBXML::valueOfAttributeNamed("name", a), "1");
    EXPECT_EQ(TBXML::valueOfAttributeNamed("Name", a), "2");
    EXPECT_EQ(TBXML::valueOfAttributeNamed("empty", a), "");
    for (std::string_view missing : {"NAME", "nam", "namess", "", "x"})
        EXPECT_EQ(TBXML::valueOfAttributeNamed(missing, a), std::nullopt) << missing;
    EXPECT_EQ(TBXML::valueOfAttributeNamed(std::string_view("name\0", 5), a), std::nullopt);
}

TEST(TBXML, FindsTheFirstDirectChildByExactName) {
    auto reader = parsed("<a><b i=\"1\"/><c><d/></c><b i=\"2\"/><B/></a>");
    const _TBXMLElement* a = reader->rootXMLElement();
    EXPECT_EQ(TBXML::valueOfAttributeNamed("i", TBXML::childElementNamed("b", a)), "1");
    EXPECT_EQ(TBXML::childElementNamed("B", a),
              a->firstChild->nextSibling->nextSibling->nextSibling);
    EXPECT_EQ(TBXML::childElementNamed("d", a), nullptr);
    EXPECT_EQ(TBXML::childElementNamed("", a), nullptr);
    EXPECT_NE(TBXML::childElementNamed("d", TBXML::childElementNamed("c", a)), nullptr);
}

TEST(TBXML, AnswersEmptyForMissingNamesAndTexts) {
    auto reader = parsed("<a><>x</><b/><c></c><d>t<e/></d></a>");
    const _TBXMLElement* a = reader->rootXMLElement();
    const _TBXMLElement* nameless = a->firstChild;
    EXPECT_EQ(TBXML::elementName(nameless), "");
    EXPECT_EQ(TBXML::textForElement(nameless), "x");
    for (const char* name : {"b", "c", "d"})
        EXPECT_EQ(TBXML::textForElement(TBXML::childElementNamed(name, a)), "") << name;
    EXPECT_EQ(TBXML::textForElement(a), "");

    EXPECT_EQ(TBXML::elementName(nullptr), "");
    EXPECT_EQ(TBXML::textForElement(nullptr), "");
    EXPECT_EQ(TBXML::textViewForElement(nullptr), "");
    EXPECT_EQ(TBXML::valueOfAttributeNamed("x", nullptr), std::nullopt);
    EXPECT_EQ(TBXML::childElementNamed("x", nullptr), nullptr);
}

TEST(TBXML, HandsOutOnlyValidUtf8) {
    const std::vector<std::string> valid{
        "plain",
        "\xC3\xA9",
        "\xE2\x82\xAC",
        "\xEF\xBF\xBF",
        "\xF0\x9F\x98\x80",
        "\xF4\x8F\xBF\xBF",
        "0123456789abcdef\xC3\xA9",
    };
    const std::vector<std::string> invalid{
        "\xFF",
        "\xC0\xAF",
        "\xE0\x80\xAF",
        "\xED\xA0\x80",
        "\xF4\x90\x80\x80",
        "\xF5\x80\x80\x80",
        "abc\xC3",
        "0123456789abcdef\xE2\x82",
        "\x80",
        "\xC3\x28",
    };
    auto check = [](const std::string& bytes, bool good) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        auto reader = parsed("<n" + bytes + " v=\"" + bytes + "\">" + bytes + "</n" + bytes + ">");
        const _TBXMLElement* root = reader->rootXMLElement();
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(TBXML::elementName(root), good ? "n" + bytes : "");
        EXPECT_EQ(TBXML::textForElement(root), good ? bytes : "");
        EXPECT_EQ(TBXML::textViewForElement(root), good ? bytes : "");
        EXPECT_EQ(TBXML::valueOfAttributeNamed("v", root),
                  good ? std::optional<std::string>(bytes) : std::nullopt);
    };
    for (const auto& bytes : valid)
        check(bytes, true);
    for (const auto& bytes : invalid)
        check(bytes, false);
}

TEST(TBXML, ReportsWhyNoTreeWasBuilt) {
    struct Case {
        std::string xml;
        int code;
    };
    const std::vector<Case> cases{
        {"", 1},
        {"just text", 2},
        {"<!-- only a comment -->", 2},
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE x>", 2},
        {"</closing>", 2},
        {"<unfinished", 2},
        {"<a>", 0},
        {"text <a/>", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        std::optional<TBXMLError> error = TBXMLError{99};
        auto reader = TBXML::newTBXMLWithXMLData(c.xml, &error);
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->rootXMLElement() != nullptr, c.code == 0);
        if (c.code == 0) {
            EXPECT_EQ(error, std::nullopt);
            continue;
        }
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->code, c.code);
        EXPECT_EQ(error->domain(), TBXMLError::kDomain);
        EXPECT_EQ(error->localizedDescription(), c.code == 1 ? "Data is nil" : "Decode failure");
    }
    EXPECT_EQ(TBXML::newTBXMLWithXMLData(std::span<const std::uint8_t>())->rootXMLElement(),
              nullptr);
}
