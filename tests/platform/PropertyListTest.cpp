#include "platform/PropertyList.h"

#include "support/Sandbox.h"

#include <clocale>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

using platform::PlistValue;
using platform::PropertyList;
using Format = PropertyList::Format;

namespace {

void appendBigEndian(std::string& out, std::uint64_t value, std::size_t width) {
    for (std::size_t i = width; i-- > 0;)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

struct Trailer {
    std::size_t offsetWidth{4}, referenceWidth{4};
    std::uint64_t count{0}, top{0}, tableOffset{0};
};

// A binary list of raw objects; `forge` may alter the trailer before it is written.
std::string binaryList(const std::vector<std::string>& objects,
                       const std::function<void(Trailer&)>& forge = {}) {
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const std::string& object : objects) {
        offsets.push_back(out.size());
        out += object;
    }
    Trailer trailer{.count = objects.size(), .tableOffset = out.size()};
    for (std::uint64_t offset : offsets)
        appendBigEndian(out, offset, trailer.offsetWidth);
    if (forge)
        forge(trailer);
    out.append(6, '\0');
    out.push_back(static_cast<char>(trailer.offsetWidth));
    out.push_back(static_cast<char>(trailer.referenceWidth));
    appendBigEndian(out, trailer.count, 8);
    appendBigEndian(out, trailer.top, 8);
    appendBigEndian(out, trailer.tableOffset, 8);
    return out;
}

// An array object of fewer than 15 references of four bytes.
std::string arrayOf(const std::vector<std::uint64_t>& children) {
    std::string object(1, static_cast<char>(0xA0 | children.size()));
    for (std::uint64_t child : children)
        appendBigEndian(object, child, 4);
    return object;
}

// `depth` arrays around `true`, each holding the next one `copies` times.
std::string nestedBinary(std::size_t depth, std::size_t copies = 1) {
    std::vector<std::string> objects;
    for (std::size_t i = 0; i < depth; ++i)
        objects.push_back(arrayOf(std::vector<std::uint64_t>(copies, i + 1)));
    objects.push_back("\x09");
    return binaryList(objects);
}

std::string xmlDocument(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
           "</plist>";
}

std::string nestedXml(std::size_t depth, const std::string& leaf = "<true/>") {
    std::string opening, closing;
    for (std::size_t i = 0; i < depth; ++i) {
        opening += "<array>";
        closing += "</array>";
    }
    return xmlDocument(opening + leaf + closing);
}

PlistValue nestedValue(std::size_t depth) {
    PlistValue value(true);
    for (std::size_t i = 0; i < depth; ++i)
        value = PlistValue::Array{value};
    return value;
}

const PlistValue kSample = PlistValue::Dictionary{
    {"nested", PlistValue::Dictionary{{"empty", PlistValue::Array{}},
                                      {"\xC3\xA9t\xC3\xA9 \xE2\x98\x83", "<&> \"q\"\ttab\nline"}}},
    {"scalars", PlistValue::Array{-1, std::numeric_limits<std::int64_t>::min(), 65536, 0.1, -1e300,
                                  3.0, true, false}},
    {"data", PlistValue::Data{0x00, 0xFF, 0x10, 0x00}},
    {"date", PlistValue::Date{602395506.0}},
    {"uid", PlistValue::Uid{42}},
    {"", ""},
};

} // namespace

TEST(PropertyList, RoundTripsEveryKindInBothFormats) {
    for (Format format : {Format::Xml, Format::Binary}) {
        auto write = format == Format::Xml ? &PropertyList::toXml : &PropertyList::toBinary;
        const auto bytes = write(kSample);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(bytes->starts_with("bplist00"), format == Format::Binary);
        EXPECT_EQ(PropertyList::parse(*bytes), kSample);
    }
}

TEST(PropertyList, RejectsMalformedInput) {
    const std::string hugeCount("\xAF\x13\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10);
    const std::string dictionary("\xD1\0\0\0\1\0\0\0\2", 9);
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"binary magic alone", "bplist00"},
        {"binary two-object cycle", binaryList({arrayOf({1}), arrayOf({0})})},
        {"binary dangling reference", binaryList({arrayOf({5})})},
        {"binary huge array count", binaryList({hugeCount})},
        {"binary top out of range", binaryList({"\x09"}, [](Trailer& t) { t.top = 3; })},
        {"binary count beyond table", binaryList({"\x09"}, [](Trailer& t) { t.count = 99; })},
        {"binary table past the end",
         binaryList({"\x09"}, [](Trailer& t) { t.tableOffset = 1 << 20; })},
        {"binary zero reference width",
         binaryList({arrayOf({})}, [](Trailer& t) { t.referenceWidth = 0; })},
        {"binary string not UTF-8", binaryList({"\x52\xFF\xFE"})},
        {"binary UTF-16 lone surrogate", binaryList({std::string("\x62\xD8\x00\x00\x41", 5)})},
        {"binary key with NUL", binaryList({dictionary, std::string("\x52\0a", 3), "\x09"})},
        {"binary number as key", binaryList({dictionary, "\x10\x05", "\x09"})},
        {"xml string not UTF-8", xmlDocument("<string>\xFF\xFE</string>")},
        {"xml mismatched tags", xmlDocument("<array><string>x</array>")},
        {"xml date after 2069", xmlDocument("<date>4001-01-01T00:00:00Z</date>")},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(PropertyList::parse(c.bytes)) << c.name;

    const std::string binary = *PropertyList::toBinary(kSample);
    for (std::size_t length = 0; length < binary.size(); ++length)
        EXPECT_FALSE(PropertyList::parse(binary.substr(0, length))) << "truncated to " << length;
}

TEST(PropertyList, LimitsNestingAndExpansion) {
    const std::size_t limit = PropertyList::kMaxDepth;
    EXPECT_EQ(PropertyList::parse(nestedXml(limit)), nestedValue(limit));
    EXPECT_EQ(PropertyList::parse(nestedBinary(limit)), nestedValue(limit));
    EXPECT_FALSE(PropertyList::toXml(nestedValue(limit + 1)));
    EXPECT_FALSE(PropertyList::toBinary(nestedValue(limit + 1)));
    EXPECT_FALSE(PropertyList::parse(nestedXml(limit + 1)));
    EXPECT_FALSE(PropertyList::parse(nestedBinary(limit + 1)));

    // Markup inside comments and sections neither opens nor closes.
    EXPECT_TRUE(PropertyList::parse(
        nestedXml(limit, "<!-- <array> --><string><![CDATA[<array>]]></string>")));

    // Object i holds object i + 1 twice, so the list expands to 2^levels leaves.
    const auto modest = PropertyList::parse(nestedBinary(10, 2));
    ASSERT_TRUE(modest);
    EXPECT_EQ(*modest->item(1)->item(0)->item(1), *modest->item(0)->item(1)->item(0));
    EXPECT_FALSE(PropertyList::parse(nestedBinary(60, 2)));
}

// Callers log why a file gave nothing, so each way of failing has its own category.
TEST(PropertyList, SaysWhyAFileGaveNothing) {
    using Failure = PropertyList::Failure;
    const std::string folder = testing_support::Sandbox::process().makeFolder("reasons");
    auto file = [&](const std::string& name, const std::string& contents) {
        testing_support::writeFile(folder + "/" + name, contents);
        return folder + "/" + name;
    };
    const struct {
        std::string path;
        Failure failure;
    } cases[] = {
        {folder + "/absent.plist", Failure::Missing},
        {folder + "/absent/below.plist", Failure::Missing},
        {folder, Failure::NotAFile},
        {file("large.plist", xmlDocument("<string>" + std::string(70000, 'x') + "</string>")),
         Failure::TooLarge},
        {file("empty.plist", ""), Failure::Empty},
        {file("text.plist", "just text"), Failure::Malformed},
        {file("shared.plist", nestedBinary(60, 2)), Failure::Refused},
        {file("date.plist", xmlDocument("<date>4001-01-01T00:00:00Z</date>")),
         Failure::Unrepresentable},
        {file("good.plist", xmlDocument("<true/>")), Failure::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const PropertyList::Reading reading = PropertyList::readFileWithReason(c.path, 65536);
        EXPECT_EQ(reading.failure, c.failure);
        EXPECT_EQ(reading.value.has_value(), c.failure == Failure::None);
    }
}

TEST(PropertyList, ReadsRealsWhateverTheLocaleOfTheProgram) {
    // A locale that only defines a decimal comma, built into the sandbox.
    const std::string folder = testing_support::Sandbox::process().makeFolder("locales");
    testing_support::writeFile(folder + "/comma.src", "LC_NUMERIC\ndecimal_point \"<U002C>\"\n"
                                                      "thousands_sep \"\"\ngrouping -1\n"
                                                      "END LC_NUMERIC\n");
    const std::string build = "localedef -c -f ANSI_X3.4-1968 -i " + folder + "/comma.src " +
                              folder + "/comma >/dev/null 2>&1";
    const int status = std::system(build.c_str());
    ::setenv("LOCPATH", folder.c_str(), 1);
    if (!::setlocale(LC_NUMERIC, "comma"))
        GTEST_SKIP() << "localedef could not build a locale: " << status;
    const bool decimalComma = std::string_view(::localeconv()->decimal_point) == ",";
    const PlistValue reals = PlistValue::Array{1.5, -0.25, 1e-300};
    const auto parsed = PropertyList::parse(*PropertyList::toXml(reals));
    ::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
    ASSERT_TRUE(decimalComma);
    EXPECT_EQ(parsed, reals);
}
