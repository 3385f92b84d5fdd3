#include "platform/StringsTable.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unicode/unistr.h>

using platform::StringsTable;

namespace {

// Every comment, quoting and escape form at once.
const std::string kTable = "/* A block comment\n"
                           "   over two lines */\n"
                           "\"CloseButtonTitle\" = \"Ignore\";  // a line comment\n"
                           "\"Title\" = \"Would you like to uninstall <a>%@</a> completely?\";\n"
                           "Unquoted_Key.1 = value-2/x:y$;\n"
                           "'Single' = 'it\\'s \"quoted\"';\n"
                           "\"Escapes\" = \"q\\\" b\\\\ n\\n t\\t r\\r oct\\101\\0\\351 "
                           "U\\U00e9\\UE9 pair\\UD83D\\UDE00 lone\\UD800x other\\q\\é\";\n"
                           "\"multi\nline\" = \"x\"; \"Dup\" = \"first\";\n"
                           "\"Raw\" = \"Grüße 😀\";\n"
                           "\"SelfNamed\";\n"
                           "\"Dup\" = \"second\";\n"
                           "\"Slashes\" = \"/* not a comment */ // nor this\";\n";

const std::pair<std::string, std::string> kExpected[] = {
    {"CloseButtonTitle", "Ignore"},
    {"Title", "Would you like to uninstall <a>%@</a> completely?"},
    {"Unquoted_Key.1", "value-2/x:y$"},
    {"Single", "it's \"quoted\""},
    {"Escapes", std::string("q\" b\\ n\n t\t r\r octA") + '\0' +
                    "é U\u00e9\u00e9 pair\U0001F600 lone\uFFFDx otherqé"},
    {"multi\nline", "x"},
    {"Raw", "Grüße 😀"},
    {"SelfNamed", "SelfNamed"},
    {"Dup", "second"},
    {"Slashes", "/* not a comment */ // nor this"},
};

enum class Order { little, big };

std::string utf16(const std::string& utf8, Order order, const std::string& bom) {
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
    std::string bytes = bom;
    for (int32_t i = 0; i < text.length(); ++i) {
        const char high = static_cast<char>(text[i] >> 8);
        const char low = static_cast<char>(text[i] & 0xFF);
        bytes += order == Order::little ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

} // namespace

TEST(StringsTable, ReadsEveryEncodingWithEveryForm) {
    const std::pair<const char*, std::string> encodings[] = {
        {"UTF-8", kTable},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + kTable},
        {"UTF-16LE with BOM", utf16(kTable, Order::little, "\xFF\xFE")},
        {"UTF-16BE with BOM", utf16(kTable, Order::big, "\xFE\xFF")},
        {"UTF-16LE", utf16(kTable, Order::little, "")},
        {"UTF-16BE", utf16(kTable, Order::big, "")},
    };
    for (const auto& [name, bytes] : encodings) {
        std::optional<StringsTable> table = StringsTable::parse(bytes);
        ASSERT_TRUE(table.has_value()) << name;
        EXPECT_EQ(table->size(), std::size(kExpected)) << name;
        for (const auto& [key, value] : kExpected)
            EXPECT_EQ(table->lookup(key), value) << name << ": " << key;
        EXPECT_EQ(table->lookup("closebuttontitle"), std::nullopt) << name;
    }
}

TEST(StringsTable, AcceptsOnlyWellFormedTables) {
    for (const std::string input : {"", "/* nothing */ // at all", "{ /* */ }\n"})
        EXPECT_EQ(StringsTable::parse(input).value().size(), 0u) << input;
    EXPECT_EQ(StringsTable::parse("{ \"a\" = \"b\"; c = d; }").value().lookup("c"), "d");

    const std::string inputs[] = {
        "\"a\" = \"b\"", // missing semicolon
        "\"a\" \"b\";",  // missing equals sign
        "\"a\" = ;",     // missing value
        "\"a\" = \"b;",  // unterminated string
        "/* unterminated comment",
        "\"a\" = \"b\"; }",                 // closing brace without opening
        "{ } \"c\" = \"d\";",               // entries after the braces
        "\"a\" = \"\\Uzz\";",               // \U without hex digits
        "\"a\" = (\"x\");",                 // a value that is no string
        "\u00e9 = \"b\";",                  // unquoted non-ASCII
        "\"a\" = \"\xc3\";",                // invalid UTF-8
        std::string("\xFF\xFE\x61", 3),     // odd UTF-16 length
        std::string("\xFF\xFE\x00\xDC", 4), // lone low surrogate
    };
    for (const auto& input : inputs)
        EXPECT_FALSE(StringsTable::parse(input).has_value()) << input;
}
