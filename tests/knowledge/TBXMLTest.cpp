#include "knowledge/TBXML.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

// The tree as name[attribute=value ...]"text"(child child); fails on a broken link.
std::string shapeOf(const TBXML& reader) {
    std::string shape;
    for (const _TBXMLElement* element = reader.rootXMLElement(); element;) {
        shape += element->name;
        for (const _TBXMLAttribute* a = element->firstAttribute; a; a = a->next)
            shape += (a == element->firstAttribute ? "[" : " ") + std::string(a->name) + "=" +
                     a->value + (a->next ? "" : "]");
        if (element->text && *element->text)
            shape += '"' + std::string(element->text) + '"';
        if (element->firstChild) {
            EXPECT_EQ(element->firstChild->parentElement, element);
            shape += '(';
            element = element->firstChild;
            continue;
        }
        while (element && !element->nextSibling) {
            element = element->parentElement;
            if (element)
                shape += ')';
        }
        if (element) {
            EXPECT_EQ(element->nextSibling->previousSibling, element);
            shape += ' ';
            element = element->nextSibling;
        }
    }
    return shape;
}

std::shared_ptr<TBXML> parsed(std::string_view xml) {
    auto reader = TBXML::newTBXMLWithXMLData(xml);
    EXPECT_NE(reader, nullptr);
    return reader;
}

void expectShapes(const std::vector<std::pair<std::string, std::string>>& cases) {
    for (const auto& [xml, shape] : cases) {
        SCOPED_TRACE(testing::PrintToString(xml));
        EXPECT_EQ(shapeOf(*parsed(xml)), shape);
    }
}

} // namespace

TEST(TBXML, BuildsTheTreeOfWellFormedDocuments) {
    expectShapes({
        {"<a><b/><c><d/></c><e/></a>", "a(b c(d) e)"},
        {"<a x=\"it's\" y='say \"hi\"'\r\n\tz = \"3\"/>", "a[x=it's y=say \"hi\" z=3]"},
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE base>\n<?pi x?><base><x/></base>", "base(x)"},
        {"<!-- c --><a><!-- <b/> --><c/></a><!-- end -->", "a(c)"},
        {"<f>\n   ~/Library/Caches/com.x  \r\n\t</f>", "f\"~/Library/Caches/com.x\""},
        {"<a> t <b>x</b> u </a>", "a(b\"x\")"},
        {"<a> x <![CDATA[ <b>&amp; ]]>1<!--x--><![CDATA[2]]></a>", "a\"x  <b>&amp; 12\""},
        {"<a v=\"<![CDATA[say \"x>y\"]]>!\" w='<![CDATA[]]>'/>", "a[v=say \"x>y\"! w=]"},
        {"<a v=\"&amp;&#38;\">&amp; &#x26;</a>", "a[v=&amp;&#38;]\"&amp; &#x26;\""},
    });
}

// The reader repairs what it can and never lets a defect swallow the next tag.
TEST(TBXML, ShapesMalformedDocumentsAsFound) {
    using namespace std::string_literals;
    expectShapes({
        {"<a><b> text \n", "a(b\"text\")"},
        {"<a></b></c><d/><e>t</e>", "a d e\"t\""},
        {"<a>1 < 2</a>", "a\"1\""},
        {"<a <b/></a>", "b"},
        {"<a><>x</></a>", "a(\"x\")"},
        {"<a><b x=\"1", "a"},
        {"<a x=1 y=\"2\"/>", "a[x=2]"},
        {"<a x=\"1>2\">t</a>", "a\"2\">t\""},
        {"<a =\"v\" x=\"1\" x=\"2\"/>", "a[=v x=1 x=2]"},
        {"<a>x\0y</a>"s, "a\"x\""},
        {"<a\0b v=\"1\0 2\" w=\"3\"/>"s, "a[v=1 w=3]"},
    });
}

TEST(TBXML, HandsOutOnlyValidUtf8) {
    const std::vector<std::pair<std::string, bool>> cases{
        {"\xF4\x8F\xBF\xBF", true},  {"0123456789abcdef\xC3\xA9", true},
        {"\xC0\xAF", false},         {"\xED\xA0\x80", false},
        {"\xF4\x90\x80\x80", false}, {"0123456789abcdef\xE2\x82", false},
    };
    for (const auto& [bytes, good] : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        auto reader = parsed("<n" + bytes + " v=\"" + bytes + "\">" + bytes + "</n" + bytes + ">");
        const _TBXMLElement* root = reader->rootXMLElement();
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(TBXML::elementName(root), good ? "n" + bytes : "");
        EXPECT_EQ(TBXML::textViewForElement(root), good ? bytes : "");
        EXPECT_EQ(TBXML::valueOfAttributeNamed("v", root),
                  good ? std::optional<std::string>(bytes) : std::nullopt);
    }
}

// Neither deep nesting nor runs of broken tags may cost recursion or quadratic rescans.
TEST(TBXML, DeepNestingAndRunsOfBrokenTagsAreReadIteratively) {
    const size_t depth = 100000;
    std::string open, close, shape;
    for (size_t i = 1; i < depth; ++i) {
        open += "<d>";
        close += "</d>";
        shape += "d(";
    }
    shape += "d\"leaf\"" + std::string(depth - 1, ')');
    for (const std::string& xml : {open + "<d> leaf ", open + "<d>leaf</d>" + close})
        EXPECT_EQ(shapeOf(*TBXML::newTBXMLWithXMLData(xml)), shape);
    EXPECT_EQ(TBXML::newTBXMLWithXMLData(std::string(4u << 20, '<'))->rootXMLElement(), nullptr);
    std::string cutTags;
    for (int i = 0; i < 1000000; ++i)
        cutTags += "<a ";
    EXPECT_EQ(shapeOf(*TBXML::newTBXMLWithXMLData(cutTags + "<last>")), "last");
}

// The tree is shaped as found, but the first fault is named with the offset of its "<",
// so that whoever wrote the document can find it.
TEST(TBXML, NamesTheFirstStructuralFaultAndWhereItIs) {
    using Kind = TBXMLProblem::Kind;
    struct Case {
        std::string xml;
        std::optional<Kind> kind;
        std::size_t offset;
        std::string element;
    };
    const std::vector<Case> cases{
        {"<a><b/><c x='1'>t</c ></a>\n", std::nullopt, 0, ""},
        {"<?xml version=\"1.0\"?><!-- c --><a><![CDATA[</b>]]></a>", std::nullopt, 0, ""},
        {"  only text <!-- and a comment -->", Kind::NoRootElement, 34, ""},
        {"<a><b>x</c></a>", Kind::MismatchedClosingTag, 7, "b"},
        {"<ab></a>", Kind::MismatchedClosingTag, 4, "ab"},
        {"<a></ab>", Kind::MismatchedClosingTag, 3, "a"},
        {"<a></a></b><c>", Kind::StrayClosingTag, 7, ""},
        {"<a><b>t", Kind::UnclosedElement, 3, "b"},
        {"<a><b x=\"1", Kind::TruncatedMarkup, 3, ""},
        {"<a><!-- never closed", Kind::TruncatedMarkup, 3, ""},
        {"<a><![CDATA[ never closed", Kind::TruncatedMarkup, 3, ""},
        {"<a <b/></a>", Kind::UnterminatedTag, 0, ""},
        // Only the first fault counts, and a name reaches the reason printable.
        {"<x\x01y><p></q></r>", Kind::MismatchedClosingTag, 8, "p"},
        {"<x\x01y>", Kind::UnclosedElement, 0, "x?y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.xml));
        std::optional<TBXMLError> error;
        auto reader = TBXML::newTBXMLWithXMLData(c.xml, &error);
        ASSERT_NE(reader, nullptr);
        const auto& problem = reader->problem();
        ASSERT_EQ(problem.has_value(), c.kind.has_value());
        if (!problem)
            continue;
        EXPECT_EQ(problem->kind, *c.kind);
        EXPECT_EQ(problem->offset, c.offset);
        EXPECT_EQ(problem->element, c.element);
        // Without a root the reader also fails as it always did.
        EXPECT_EQ(error.has_value(), *c.kind == Kind::NoRootElement);
    }
    EXPECT_EQ(TBXML::newTBXMLWithXMLData(std::string_view())->problem()->kind, Kind::NoRootElement);
}
