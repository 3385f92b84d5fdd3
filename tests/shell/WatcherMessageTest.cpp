#include "shell/WatcherMessage.h"

#include "MessageTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/Json.h"
#include "platform/Utf8.h"
#include "shell/MessageFiles.h"
#include "shell/PathBytes.h"
#include "support/Sandbox.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
using namespace message_testing;

namespace {

const std::string kHeader = "---=== Sweepwise Agent Watcher Message v2 ===---\n";
const std::string kValidItem = R"({"type":"10","path":"/p","bundleId":"b"})";

std::string message(const std::string& items) {
    return kHeader + "{\"items\":[" + items + "]}";
}

} // namespace

TEST(PathForRemove, ReadsItemObjectsAsTheMainApplicationDoes) {
#define PB R"("path":"/p","bundleId":"b")"
    struct Case {
        std::string json;
        bool valid;
        std::int32_t type = 0;
        std::optional<std::uint64_t> size = std::nullopt;
    } cases[] = {
        {R"({"type":"17",)" PB "}", true, 17},
        {R"({"type":"18",)" PB "}", false},
        // Only the low 32 bits of the type count.
        {R"({"type":4294967301,)" PB "}", true, 5},
        {R"({"type":"99999999999999999999",)" PB "}", false},
        {R"({"type":"-99999999999999999999",)" PB "}", true, 0},
        {R"({"type":" 10 apps",)" PB "}", true, 10},
        {R"({"type":10.9,)" PB "}", true, 10},
        {R"({"type":1e300,)" PB "}", false},
        {R"({"type":true,)" PB "}", false},
        {"{" PB "}", false},
        {R"({"type":"1","size":"4096",)" PB "}", true, 1, 4096},
        {R"({"type":"1","size":"0",)" PB "}", true, 1},
        {R"({"type":"1","size":"18446744073709551615",)" PB "}", true, 1, 9223372036854775807u},
        {R"({"type":"1","size":[],)" PB "}", false},
        {R"({"type":"1","path":5,"bundleId":"b"})", false},
        {R"({"type":"1","path":"","bundleId":"b"})", false},
        {R"({"type":"1","path":"/p","bundleId":""})", false},
        {R"("item")", false},
    };
#undef PB
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        auto value = platform::Json::parse(c.json);
        ASSERT_TRUE(value);
        auto item = PathForRemove::createFromDictionary(*value);
        ASSERT_EQ(item != nullptr, c.valid);
        if (!item)
            continue;
        EXPECT_EQ(item->type(), c.type);
        EXPECT_EQ(item->isSizeCalculated(), c.size.has_value());
        EXPECT_EQ(item->getSize(), c.size.value_or(0));
    }
}

// A message that is refused says why, and where in the text the reader stopped.
TEST(WatcherMessage, ParsesOnlyWellFormedMessagesWithAValidItemAndSaysWhyAndWhereNot) {
    using Kind = MessageFileFault::Kind;
    const std::string noLineFeed = kHeader.substr(0, kHeader.size() - 1);
    const std::string garbage = message(kValidItem) + "x";
    const std::string badByte = message("{\"type\":\"1\",\"path\":\"/p\xff\",\"bundleId\":\"b\"}");
    struct Case {
        std::string name;
        std::string text;
        std::size_t items;
        std::optional<Kind> kind = std::nullopt;
        std::optional<std::size_t> offset = std::nullopt;
    } cases[] = {
        {"one item", message(kValidItem), 1},
        {"invalid items skipped",
         message(R"({"type":"18","path":"/p","bundleId":"b"},7,)" + kValidItem), 1},
        {"other members ignored", kHeader + R"({"version":3,"items":[)" + kValidItem + "]}", 1},
        // Items may carry members this reader does not know, of any kind.
        {"unknown item members ignored",
         message(R"({"type":"1","path":"/p","bundleId":"b","reason":7,"why":{"a":[]}},)"
                 R"({"type":"1","path":"/q","bundleId":"b","reason":"x","extra":null})"),
         2},
        {"only item lacks bundleId", message(R"({"type":"1","path":"/p"})"), 0, Kind::NoItems},
        {"items not an array", kHeader + R"({"items":{"0":)" + kValidItem + "}}", 0, Kind::NoItems},
        {"not an object", kHeader + "[" + kValidItem + "]", 0, Kind::NoItems},
        {"no line feed", noLineFeed + R"({"items":[)" + kValidItem + "]}", 0, Kind::WrongHeader, 0},
        {"carriage return", noLineFeed + "\r\n{\"items\":[" + kValidItem + "]}", 0,
         Kind::WrongHeader, 0},
        {"no header", R"({"items":[)" + kValidItem + "]}", 0, Kind::WrongHeader, 0},
        {"trailing garbage", garbage, 0, Kind::Malformed, garbage.size() - 1},
        {"invalid UTF-8", badByte, 0, Kind::Malformed, badByte.find('\xff')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<MessageFileFault> fault;
        auto items = WatcherMessage::parse(c.text, &fault);
        EXPECT_EQ(items ? items->size() : 0, c.items);
        ASSERT_EQ(fault.has_value(), c.kind.has_value());
        if (fault) {
            EXPECT_EQ(fault->kind, *c.kind);
            EXPECT_EQ(fault->offset, c.offset);
        }
    }
}

TEST(WatcherMessage, WritesTheHeaderAndCompactJsonWithIdentifiersInLowerCase) {
    auto sized = PathForRemove::create("/Users/ann/Library/Caches/App", 10, "com.example.App");
    sized->setSize(4096);
    WatcherMessage message;
    message.setPathsForRemove({sized, PathForRemove::create("/Ünï \"q\"/x", 0, "ÄPFEL.Example")});
    EXPECT_EQ(
        message.messageText(),
        kHeader +
            R"({"items":[{"bundleId":"com.example.app","path":"/Users/ann/Library/Caches/App","size":"4096","type":"10"},)" +
            R"({"bundleId":"äpfel.example","path":"/Ünï \"q\"/x","type":"0"}]})");

    // A Linux file name that is not UTF-8 travels readable, with its exact bytes beside it:
    // stray continuation bytes, a truncated sequence, an encoded surrogate, a code point
    // beyond U+10FFFF.
    const std::string odd[] = {"/bad\xff", "/Caf\xe9 \xff.app", "/\x80\xc3\xa9\xed\xa0\x80/x",
                               "/ok/\xf4\x90\x80\x80\xc3"};
    std::vector<std::shared_ptr<PathForRemove>> items{sized};
    for (const std::string& path : odd)
        items.push_back(PathForRemove::create(path, 1, "b"));
    message.setPathsForRemove(items);
    auto text = message.messageText();
    ASSERT_TRUE(text);
    EXPECT_TRUE(platform::Utf8::isValid(*text));
    EXPECT_NE(text->find("\"path\":\"/bad\uFFFD\",\"pathBytes\":\"L2JhZP8=\""), std::string::npos)
        << *text;
    auto parsed = WatcherMessage::parse(*text);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 1 + std::size(odd));
    EXPECT_EQ((*parsed)[0]->path(), sized->path());
    for (std::size_t i = 0; i < std::size(odd); ++i)
        EXPECT_EQ((*parsed)[i + 1]->path(), odd[i]);
}

TEST(WatcherMessage, ExactBytesThatDoNotDecodeVoidTheirItem) {
    for (const char* bytes : {"\"L2JhZP8\"", "\"L2JhZP9=\"", "\"L2Jh ZP8=\"", "\"\"", "\"AA==\"",
                              "12", "[\"L2JhZP8=\"]"}) {
        auto items = WatcherMessage::parse(message(
            kValidItem + R"(,{"type":"1","path":"/p","bundleId":"b","pathBytes":)" + bytes + "}"));
        ASSERT_TRUE(items) << bytes;
        EXPECT_EQ(items->size(), 1u) << bytes;
    }
    EXPECT_EQ(PathBytes::toBase64("f"), "Zg==");
    EXPECT_EQ(PathBytes::toBase64("fo"), "Zm8=");
    EXPECT_EQ(PathBytes::toBase64("foo"), "Zm9v");
    std::string every;
    for (int c = 0; c < 256; ++c)
        every += static_cast<char>(c);
    for (std::size_t length = 0; length < 6; ++length)
        EXPECT_EQ(PathBytes::fromBase64(PathBytes::toBase64(every.substr(250 - length))),
                  every.substr(250 - length));
    EXPECT_EQ(PathBytes::fromBase64(PathBytes::toBase64(every)), every);
}

// A file that is refused stays where it is and says why; the message read before stays too.
TEST(WatcherMessage, ReadsFilesWithoutLosingAnyThatFailOrThatLinksPointTo) {
    using Kind = MessageFileFault::Kind;
    std::string folder = Sandbox::process().makeFolder("incoming");
    const std::string valid = message(kValidItem);
    std::string oversized = valid;
    oversized.insert(kHeader.size(), MessageFiles::kMaxFileBytes, ' ');
    using Make = std::function<void(const std::string&)>;
    struct Case {
        std::string name;
        Make make;
        std::optional<Kind> fault; // none: accepted
        bool pathRemains;
    } cases[] = {
        {"valid", [&](auto& p) { writeFile(p, valid); }, std::nullopt, false},
        {"rejected", [&](auto& p) { writeFile(p, message(R"({"path":"/p"})")); }, Kind::NoItems,
         true},
        {"oversized", [&](auto& p) { writeFile(p, oversized); }, Kind::TooLarge, true},
        {"not UTF-8", [&](auto& p) { writeFile(p, message("\"\xe9\"")); }, Kind::NotUtf8, true},
        {"missing", [](auto&) {}, Kind::Missing, false},
        {"dangling link", [&](auto& p) { ASSERT_EQ(symlink("nothing", p.c_str()), 0); },
         Kind::Missing, true},
        {"folder", [](auto& p) { makeDirs(p + "/inside"); }, Kind::NotAFile, true},
        {"named pipe", [](auto& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, Kind::NotAFile,
         true},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = folder + "/m" + std::to_string(++n) + ".trforsa";
        c.make(path);
        WatcherMessage received;
        received.setPathsForRemove({PathForRemove::create("/before", 1, "b")});
        std::optional<MessageFileFault> fault;
        const bool accepted = !c.fault;
        EXPECT_EQ(received.loadFromPath(path, &fault), accepted);
        EXPECT_EQ(fault ? MessageFileFault::nameOf(fault->kind) : "accepted",
                  c.fault ? MessageFileFault::nameOf(*c.fault) : "accepted");
        EXPECT_EQ(platform::FileSystem::itemExistsNoFollow(path), c.pathRemains);
        EXPECT_EQ(received.getPathsForRemove().front()->path() == "/before", !accepted);
    }

    // A link to a message is read through; the link goes, what it points to stays.
    writeFile(folder + "/target", valid);
    ASSERT_EQ(symlink((folder + "/target").c_str(), (folder + "/link.trforsa").c_str()), 0);
    WatcherMessage received;
    EXPECT_TRUE(received.loadFromPath(folder + "/link.trforsa"));
    EXPECT_FALSE(platform::FileSystem::itemExistsNoFollow(folder + "/link.trforsa"));
    EXPECT_EQ(readFile(folder + "/target"), valid);
}

TEST(WatcherMessage, CarriesWhyEachItemIsOffered) {
    auto item = PathForRemove::create("/h/Library/Caches/com.example.app", 8, "com.example.app");
    item->setReason("standard place 1 (Library/Caches): identifier com.example.app");
    auto silent = PathForRemove::create("/h/x", 3, "com.example.app");
    auto odd = PathForRemove::create("/h/y", 3, "com.example.app");
    odd->setReason("rule \xff");
    WatcherMessage message;
    message.setPathsForRemove({item, silent, odd});
    auto text = message.messageText();
    ASSERT_TRUE(text);
    auto read = WatcherMessage::parse(*text);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 3u);
    EXPECT_EQ((*read)[0]->reason(), item->reason());
    // No reason, or one that JSON cannot carry, leaves the member out, not the item.
    EXPECT_EQ(text->find("\"reason\":\"\""), std::string::npos);
    EXPECT_EQ((*read)[1]->reason(), "");
    EXPECT_EQ((*read)[2]->reason(), "");
}
