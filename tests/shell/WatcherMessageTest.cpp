#include "shell/WatcherMessage.h"

#include "MessageTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/Json.h"
#include "shell/MessageFiles.h"
#include "support/Sandbox.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
using namespace message_testing;

namespace {

const std::string kHeader = "---=== Sweepwise Agent Watcher Message v2 ===---\n";

std::shared_ptr<PathForRemove> itemFromJson(const std::string& json) {
    auto value = platform::Json::parse(json);
    EXPECT_TRUE(value) << json;
    return value ? PathForRemove::createFromDictionary(*value) : nullptr;
}

std::string message(const std::string& items) {
    return kHeader + "{\"items\":[" + items + "]}";
}

const std::string kValidItem = R"({"type":"10","path":"/p","bundleId":"b"})";

} // namespace

TEST(PathForRemove, ReadsItemObjectsAsTheMainApplicationDoes) {
    struct Case {
        std::string json;
        bool valid;
        std::int32_t type = 0;
        std::optional<std::uint64_t> size = std::nullopt;
    } cases[] = {
        {R"({"type":"17","path":"/p","bundleId":"b"})", true, 17},
        {R"({"type":17,"path":"/p","bundleId":"b"})", true, 17},
        {R"({"type":"0","path":"/p","bundleId":"b"})", true, 0},
        {R"({"type":"18","path":"/p","bundleId":"b"})", false},
        {R"({"type":"-1","path":"/p","bundleId":"b"})", false},
        {R"({"type":-1,"path":"/p","bundleId":"b"})", false},
        // Only the low 32 bits of the type count.
        {R"({"type":4294967301,"path":"/p","bundleId":"b"})", true, 5},
        {R"({"type":"4294967301","path":"/p","bundleId":"b"})", true, 5},
        {R"({"type":"99999999999999999999","path":"/p","bundleId":"b"})", false},
        {R"({"type":"-99999999999999999999","path":"/p","bundleId":"b"})", true, 0},
        {R"({"type":" 10 apps","path":"/p","bundleId":"b"})", true, 10},
        {R"({"type":"+3","path":"/p","bundleId":"b"})", true, 3},
        {R"({"type":"abc","path":"/p","bundleId":"b"})", true, 0},
        {R"({"type":10.9,"path":"/p","bundleId":"b"})", true, 10},
        {R"({"type":1e300,"path":"/p","bundleId":"b"})", false},
        {R"({"type":true,"path":"/p","bundleId":"b"})", false},
        {R"({"type":null,"path":"/p","bundleId":"b"})", false},
        {R"({"type":["1"],"path":"/p","bundleId":"b"})", false},
        {R"({"path":"/p","bundleId":"b"})", false},
        {R"({"type":"1","size":"4096","path":"/p","bundleId":"b"})", true, 1, 4096},
        {R"({"type":"1","size":4096,"path":"/p","bundleId":"b"})", true, 1, 4096},
        {R"({"type":"1","size":"1","path":"/p","bundleId":"b"})", true, 1, 1},
        {R"({"type":"1","size":"0","path":"/p","bundleId":"b"})", true, 1},
        {R"({"type":"1","size":"-5","path":"/p","bundleId":"b"})", true, 1},
        {R"({"type":"1","size":"x","path":"/p","bundleId":"b"})", true, 1},
        {R"({"type":"1","size":2.5,"path":"/p","bundleId":"b"})", true, 1, 2},
        {R"({"type":"1","size":"18446744073709551615","path":"/p","bundleId":"b"})", true, 1,
         9223372036854775807u},
        {R"({"type":"1","size":[],"path":"/p","bundleId":"b"})", false},
        {R"({"type":"1","size":false,"path":"/p","bundleId":"b"})", false},
        {R"({"type":"1","bundleId":"b"})", false},
        {R"({"type":"1","path":5,"bundleId":"b"})", false},
        {R"({"type":"1","path":"","bundleId":"b"})", false},
        {R"({"type":"1","path":"/p"})", false},
        {R"({"type":"1","path":"/p","bundleId":{}})", false},
        {R"({"type":"1","path":"/p","bundleId":""})", false},
        {R"(["1","/p","b"])", false},
        {R"("item")", false},
    };
    for (const auto& c : cases) {
        auto item = itemFromJson(c.json);
        ASSERT_EQ(item != nullptr, c.valid) << c.json;
        if (!item)
            continue;
        EXPECT_EQ(item->type(), c.type) << c.json;
        EXPECT_EQ(item->isSizeCalculated(), c.size.has_value()) << c.json;
        if (c.size) {
            EXPECT_EQ(item->getSize(), *c.size) << c.json;
        }
    }
}

TEST(PathForRemove, KeepsIdentifiersInLowerCaseAndWritesSizesOnlyWhenKnown) {
    auto item = itemFromJson(R"({"type":"3","size":"0","path":"/p","bundleId":"COM.EXAMPLE.App"})");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->bundleId(), "com.example.app");
    EXPECT_EQ(platform::Json::serialize(item->toDictionary()),
              R"({"bundleId":"com.example.app","path":"/p","type":"3"})");
    item->setSize(0);
    EXPECT_EQ(platform::Json::serialize(item->toDictionary()),
              R"({"bundleId":"com.example.app","path":"/p","size":"0","type":"3"})");

    EXPECT_EQ(PathForRemove::create("", 1, "b"), nullptr);
    EXPECT_EQ(PathForRemove::create("/p", 1, ""), nullptr);
    EXPECT_EQ(PathForRemove::create("/p", 1, "ÄPFEL.Example")->bundleId(), "äpfel.example");
}

TEST(PathForRemove, CountsAsRemovedOnlyWhenNothingIsLeftAtThePath) {
    std::string folder = Sandbox::process().makeFolder("removed");
    writeFile(folder + "/file", "x");
    ASSERT_EQ(symlink((folder + "/missing").c_str(), (folder + "/dangling").c_str()), 0);
    EXPECT_FALSE(PathForRemove::create(folder + "/file", 1, "b")->checkIsRemovedByUser());
    EXPECT_FALSE(PathForRemove::create(folder + "/dangling", 1, "b")->checkIsRemovedByUser());
    EXPECT_TRUE(PathForRemove::create(folder + "/missing", 1, "b")->checkIsRemovedByUser());
}

TEST(WatcherMessage, ParsesOnlyWellFormedMessagesWithAValidItem) {
    struct Case {
        std::string name;
        std::string text;
        std::size_t items;
    } cases[] = {
        {"one item", message(kValidItem), 1},
        {"invalid items skipped",
         message(R"({"type":"18","path":"/p","bundleId":"b"},7,)" + kValidItem), 1},
        {"whitespace and escaped slashes",
         kHeader +
             " {\n \"items\" : [ {\"type\": 2, \"path\": \"\\/a\\/b\", \"bundleId\": \"b\"} ] }\n",
         1},
        {"other members ignored", kHeader + R"({"version":3,"items":[)" + kValidItem + "]}", 1},
        {"only item lacks bundleId", message(R"({"type":"1","path":"/p"})"), 0},
        {"empty items", message(""), 0},
        {"items missing", kHeader + "{}", 0},
        {"items not an array", kHeader + R"({"items":{"0":)" + kValidItem + "}}", 0},
        {"not an object", kHeader + "[" + kValidItem + "]", 0},
        {"no line feed",
         kHeader.substr(0, kHeader.size() - 1) + R"({"items":[)" + kValidItem + "]}", 0},
        {"carriage return",
         kHeader.substr(0, kHeader.size() - 1) + "\r\n{\"items\":[" + kValidItem + "]}", 0},
        {"older header",
         "---=== Sweepwise Agent Watcher Message v1 ===---\n{\"items\":[" + kValidItem + "]}", 0},
        {"byte order mark", "\xEF\xBB\xBF" + message(kValidItem), 0},
        {"no header", R"({"items":[)" + kValidItem + "]}", 0},
        {"truncated", message(kValidItem).substr(0, kHeader.size() + 20), 0},
        {"header only", kHeader, 0},
        {"empty", "", 0},
        {"trailing garbage", message(kValidItem) + "x", 0},
        {"invalid UTF-8", message("{\"type\":\"1\",\"path\":\"/p\xff\",\"bundleId\":\"b\"}"), 0},
    };
    for (const auto& c : cases) {
        auto items = WatcherMessage::parse(c.text);
        EXPECT_EQ(items ? items->size() : 0, c.items) << c.name;
    }
}

TEST(WatcherMessage, WritesTheHeaderAndCompactJson) {
    auto sized =
        PathForRemove::create("/Users/ann/Library/Caches/com.example.App", 10, "com.example.App");
    sized->setSize(4096);
    WatcherMessage message;
    message.setPathsForRemove(
        {sized, PathForRemove::create("/Users/ann/Ünïcode \"q\"/x", 0, "com.example.app")});
    EXPECT_EQ(
        message.messageText(),
        kHeader +
            R"({"items":[{"bundleId":"com.example.app","path":"/Users/ann/Library/Caches/com.example.App","size":"4096","type":"10"},)" +
            R"({"bundleId":"com.example.app","path":"/Users/ann/Ünïcode \"q\"/x","type":"0"}]})");

    // A Linux file name that is not UTF-8 has no JSON form; it is left out.
    message.setPathsForRemove({PathForRemove::create("/bad\xff", 1, "b"), sized});
    auto text = message.messageText();
    ASSERT_TRUE(text);
    EXPECT_EQ(WatcherMessage::parse(*text)->size(), 1u);
    message.setPathsForRemove({PathForRemove::create("/bad\xff", 1, "b")});
    EXPECT_FALSE(message.messageText());
    EXPECT_FALSE(message.saveForTransmit());
}

TEST(WatcherMessage, RoundTripsThroughAFileThatTheReaderDeletes) {
    freshMessageFolder();
    auto a = PathForRemove::create("/Users/ann/Library/Preferences/com.example.app.plist", 4,
                                   "COM.Example.App");
    a->setSize(123456789012345);
    auto b = PathForRemove::create("/Users/ann/Library/Logs/Example ✓", 17, "com.example.app");
    WatcherMessage sent;
    sent.setPathsForRemove({a, b});
    auto path = sent.saveForTransmit();
    ASSERT_TRUE(path);
    EXPECT_EQ(path->rfind(MessageFiles::folderPath() + "/random_", 0), 0u) << *path;
    EXPECT_TRUE(path->ends_with(".trforsa"));

    struct stat status {};
    ASSERT_EQ(stat(path->c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(MessageFiles::folderPath().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    WatcherMessage received;
    ASSERT_TRUE(received.loadFromPath(*path));
    EXPECT_EQ(access(path->c_str(), F_OK), -1);
    const auto& items = received.getPathsForRemove();
    ASSERT_EQ(items.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& expected = sent.getPathsForRemove()[i];
        EXPECT_EQ(items[i]->path(), expected->path());
        EXPECT_EQ(items[i]->type(), expected->type());
        EXPECT_EQ(items[i]->bundleId(), expected->bundleId());
        EXPECT_EQ(items[i]->isSizeCalculated(), expected->isSizeCalculated());
        EXPECT_EQ(items[i]->getSize(), expected->getSize());
    }
}

TEST(WatcherMessage, NamesFilesByCounterAndSecondsSince2001) {
    std::string folder = freshMessageFolder();
    WatcherMessage message;
    message.setPathsForRemove({PathForRemove::create("/p", 1, "b")});

    WatcherMessage::fileNamer() = MessageFileNamer(clockAt(2000000000.999));
    EXPECT_EQ(message.saveForTransmit(), folder + "/random_1-2000000000.trforsa");
    // A name already taken, even by a dangling link, is skipped and costs a number.
    ASSERT_EQ(symlink("/nonexistent", (folder + "/random_2-2000000000.trforsa").c_str()), 0);
    EXPECT_EQ(message.saveForTransmit(), folder + "/random_3-2000000000.trforsa");
    EXPECT_EQ(WatcherMessage::getRandomString(), "random_4-2000000000");

    WatcherMessage::fileNamer() = MessageFileNamer(clockAt(-5));
    EXPECT_EQ(WatcherMessage::getRandomString(), "random_1-0");
    WatcherMessage::fileNamer() = MessageFileNamer();
}

TEST(WatcherMessage, RefusesAMessageFolderThatIsNotPrivatelyOurs) {
    std::string elsewhere = Sandbox::process().makeFolder("elsewhere");
    removeTree(MessageFiles::folderPath());
    ASSERT_EQ(symlink(elsewhere.c_str(), MessageFiles::folderPath().c_str()), 0);
    WatcherMessage message;
    message.setPathsForRemove({PathForRemove::create("/p", 1, "b")});
    EXPECT_FALSE(message.saveForTransmit());
    EXPECT_TRUE(platform::FileSystem::contentsOfDirectory(elsewhere)->empty());
    removeTree(MessageFiles::folderPath());
}

TEST(WatcherMessage, ReadsFilesWithoutLosingAnyThatFailOrThatLinksPointTo) {
    std::string folder = Sandbox::process().makeFolder("incoming");
    const std::string valid = message(kValidItem);
    std::string oversized = message(kValidItem);
    oversized.insert(kHeader.size(), MessageFiles::kMaxFileBytes, ' ');

    struct Case {
        std::string name;
        std::function<void(const std::string& path)> make;
        bool accepted;
        bool pathRemains;
    } cases[] = {
        {"valid", [&](auto& p) { writeFile(p, valid); }, true, false},
        {"rejected", [&](auto& p) { writeFile(p, message(R"({"type":"1","path":"/p"})")); }, false,
         true},
        {"invalid UTF-8", [&](auto& p) { writeFile(p, valid + "\xc3"); }, false, true},
        {"invalid UTF-8 in a string",
         [&](auto& p) {
             writeFile(p,
                       message("{\"type\":\"1\",\"path\":\"/\xed\xa0\x80\",\"bundleId\":\"b\"}"));
         },
         false, true},
        {"oversized", [&](auto& p) { writeFile(p, oversized); }, false, true},
        {"empty", [&](auto& p) { writeFile(p, ""); }, false, true},
        {"missing", [](auto&) {}, false, false},
        {"dangling link",
         [&](auto& p) { ASSERT_EQ(symlink((folder + "/nothing").c_str(), p.c_str()), 0); }, false,
         true},
        {"folder", [](auto& p) { makeDirs(p + "/inside"); }, false, true},
        {"named pipe", [](auto& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, false, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string path = folder + "/m" + std::to_string(++n) + ".trforsa";
        c.make(path);
        WatcherMessage received;
        received.setPathsForRemove({PathForRemove::create("/before", 1, "b")});
        EXPECT_EQ(received.loadFromPath(path), c.accepted) << c.name;
        EXPECT_EQ(access(path.c_str(), F_OK) == 0 || platform::FileSystem::isSymbolicLink(path),
                  c.pathRemains)
            << c.name;
        if (!c.accepted) {
            EXPECT_EQ(received.getPathsForRemove().front()->path(), "/before") << c.name;
        }
    }

    // A link to a message is read through; the link goes, what it points to stays.
    writeFile(folder + "/target", valid);
    ASSERT_EQ(symlink((folder + "/target").c_str(), (folder + "/link.trforsa").c_str()), 0);
    WatcherMessage received;
    EXPECT_TRUE(received.loadFromPath(folder + "/link.trforsa"));
    EXPECT_FALSE(platform::FileSystem::itemExistsNoFollow(folder + "/link.trforsa"));
    EXPECT_EQ(readFile(folder + "/target"), valid);
}
