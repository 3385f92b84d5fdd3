#include "knowledge/TBXML.h"
#include "knowledge/TBXMLShape.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <vector>

using testing_support::firstChildDepth;
using testing_support::shapeOf;

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TBXML_TEST_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TBXML_TEST_SANITIZED 1
#endif

namespace {

struct DefectCase {
    const char* defect;
    std::string xml;
    std::string shape;
};

void expectShapes(const std::vector<DefectCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.defect);
        auto reader = TBXML::newTBXMLWithXMLData(c.xml);
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(shapeOf(*reader), c.shape);
    }
}

} // namespace

TEST(TBXMLMalformed, UnclosedAndMismatchedTagsShapeTheTreeAsFound) {
    expectShapes({
        {"input ends inside elements", "<a><b> text \n", "a(b\"text\")"},
        {"closing names are not compared", "<a><b></a>x", "a(b)"},
        {"extra closing tags end the root early", "<a></b></c><d/><e>t</e>", "a d e\"t\""},
        {"closing tag before any element", "</x><a>t</a>", "a\"t\""},
        {"only a closing tag is missing", "<a><b>x</b>", "a(b\"x\")"},
    });
}

TEST(TBXMLMalformed, StrayAngleBracketsNeverSwallowTheNextTag) {
    expectShapes({
        {"< in a text", "<a>1 < 2</a>", "a\"1\""},
        {"> in a text", "<a>x > y</a>", "a\"x > y\""},
        {"doubled <", "<a><<b/></a>", "a(b)"},
        {"tag without > before the next tag", "<a <b/></a>", "b"},
        {"< right before a closing tag", "<a>t<</a>", "a\"t\""},
        {"last tag never closed", "<a>t</a", "a\"t\""},
        {"empty tag", "<a><>x</></a>", "a(\"x\")"},
    });
}

TEST(TBXMLMalformed, TruncatedMarkupEndsTheScan) {
    expectShapes({
        {"comment never closed", "<a>x<!-- never closed <b/>", "a\"x\""},
        {"comment closed wrongly", "<a><!-- x -- y ->t</a>", "a"},
        {"CDATA never closed", "<a><![CDATA[<b>never closed", "a\"<b>never closed\""},
        {"CDATA end cut", "<a><![CDATA[x]]", "a\"x]]\""},
        {"input ends inside a tag", "<a><b x=\"1", "a"},
        {"input ends inside the first tag", "<a x=\"1", ""},
        {"CDATA in a value never closed", "<a><b v=\"<![CDATA[x>\"/></a>", "a"},
        {"declaration never closed", "<?xml version=\"1.0\"", ""},
    });
}

TEST(TBXMLMalformed, AttributeDefectsFollowTheForgivingStateMachine) {
    expectShapes({
        {"unquoted value takes the next quoted one", "<a x=1 y=\"2\"/>", "a[x=2]"},
        {"unquoted value alone", "<a x=1/>", "a"},
        {"name without value", "<a x y='2'/>", "a[x=2]"},
        {"value never closed in a self-closing tag", "<a x=\"1/>", "a"},
        {"value never closed in an opening tag", "<a x=\"1>t</a>", "a\"t\""},
        {"mismatched quotes", "<a x=\"1' y='2\"/>", "a[x=1' y='2]"},
        {"missing name", "<a =\"v\"/>", "a[=v]"},
        {"duplicate names kept in order", "<a x=\"1\" x=\"2\"/>", "a[x=1 x=2]"},
        {"> inside a value ends the tag", "<a x=\"1>2\">t</a>", "a\"2\">t\""},
    });
}

TEST(TBXMLMalformed, NulAndForeignBytesStayInsideTheirStrings) {
    using namespace std::string_literals;
    expectShapes({
        {"NUL in a text", "<a>x\0y</a>"s, "a\"x\""},
        {"NUL in a name", "<a\0b c=\"1\"/>"s, "a[c=1]"},
        {"NUL in a value", "<a v=\"1\0 2\" w=\"3\"/>"s, "a[v=1 w=3]"},
        {"NUL right after <", "<a><\0/><b/></a>"s, "a( b)"},
        {"NUL as the last byte", "<a>t</a>\0"s, "a\"t\""},
        {"byte order mark before the root", "\xEF\xBB\xBF<a/>", "a"},
    });
}

// Any byte soup must give a consistent tree; shapeOf checks every link.
TEST(TBXMLMalformed, ByteSoupsKeepTheTreeConsistent) {
    using namespace std::string_literals;
    const std::string alphabet = "<<>>//!?-[]CDATA\"'= \n\0xab"s;
    std::uint32_t state = 12345;
    for (int round = 0; round < 300; ++round) {
        std::string soup;
        for (int i = 0; i < 2000; ++i) {
            state = state * 1664525u + 1013904223u;
            soup += alphabet[(state >> 16) % alphabet.size()];
        }
        auto reader = TBXML::newTBXMLWithXMLData(soup);
        ASSERT_NE(reader, nullptr);
        shapeOf(*reader);
        for (const _TBXMLElement* e = reader->rootXMLElement(); e; e = e->firstChild) {
            TBXML::elementName(e);
            TBXML::textForElement(e);
            TBXML::valueOfAttributeNamed("x", e);
        }
    }
}

TEST(TBXMLMalformed, DeepNestingNeedsNoRecursion) {
    const size_t depth = 100000;
    std::string open;
    for (size_t i = 0; i < depth; ++i)
        open += "<d>";
    auto unclosed = TBXML::newTBXMLWithXMLData(open + " leaf ");
    EXPECT_EQ(firstChildDepth(*unclosed), depth);

    std::string closed = open + "leaf";
    for (size_t i = 0; i < depth; ++i)
        closed += "</d>";
    auto reader = TBXML::newTBXMLWithXMLData(closed);
    EXPECT_EQ(firstChildDepth(*reader), depth);
    const _TBXMLElement* deepest = reader->rootXMLElement();
    while (deepest->firstChild)
        deepest = deepest->firstChild;
    EXPECT_EQ(TBXML::textForElement(deepest), "leaf");
    std::string shape;
    for (size_t i = 1; i < depth; ++i)
        shape += "d(";
    shape += "d\"leaf\"" + std::string(depth - 1, ')');
    EXPECT_EQ(shapeOf(*reader), shape);
}

TEST(TBXMLMalformed, HugeValueIsReadWhole) {
    const size_t size = 100u << 20;
    std::string xml = "<a v=\"";
    xml.append(size, 'v');
    xml += "\">t</a>";
    auto reader = TBXML::newTBXMLWithXMLData(xml);
    auto value = TBXML::valueOfAttributeNamed("v", reader->rootXMLElement());
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->size(), size);
    EXPECT_EQ(TBXML::textForElement(reader->rootXMLElement()), "t");
}

// Inputs that would take quadratic time if a scan restarted from each "<"; ctest's
// timeout turns such a regression into a failure.
TEST(TBXMLMalformed, RunsOfBrokenTagsTakeLinearTime) {
    const std::string manyOpenings(4u << 20, '<');
    EXPECT_EQ(TBXML::newTBXMLWithXMLData(manyOpenings)->rootXMLElement(), nullptr);

    std::string cutTags;
    for (int i = 0; i < 1000000; ++i)
        cutTags += "<a ";
    auto reader = TBXML::newTBXMLWithXMLData(cutTags + "<last>");
    EXPECT_EQ(shapeOf(*reader), "last");
}

// Records that cannot be allocated end the parse with no tree rather than a partial one.
TEST(TBXMLMalformed, MemoryExhaustionLeavesNoTree) {
#ifdef TBXML_TEST_SANITIZED
    GTEST_SKIP() << "sanitizers reserve their address space up front";
#else
    std::string xml = "<r>";
    for (int i = 0; i < 2000000; ++i)
        xml += "<a/>";
    EXPECT_EXIT(
        {
            std::ifstream status("/proc/self/status");
            std::string line;
            long kilobytes = 0;
            while (std::getline(status, line))
                if (line.rfind("VmSize:", 0) == 0)
                    kilobytes = std::atol(line.c_str() + 7);
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(kilobytes + 48 * 1024) * 1024;
            setrlimit(RLIMIT_AS, &limit);
            std::optional<TBXMLError> error;
            auto reader = TBXML::newTBXMLWithXMLData(xml, &error);
            bool reported = reader && !reader->rootXMLElement() && error && error->code == 3;
            std::exit(reported ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
#endif
}
