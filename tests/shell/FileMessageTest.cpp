#include "shell/FileMessage.h"

#include "MessageTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/PropertyList.h"
#include "shell/KeyedArchive.h"
#include "shell/MessageFiles.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
using namespace message_testing;
using platform::PlistValue;

namespace {

using Paths = std::optional<std::vector<std::string>>;

// The archives made by tests/data/make_keyed_archives.py.
std::string archiveFile(const std::string& name) {
    return std::string(SWEEPWISE_SOURCE_DIR) + "/tests/data/keyed-archives/" + name;
}

std::shared_ptr<FileMessage> messageWith(PlistValue data) {
    auto message = std::make_shared<FileMessage>(FileMessage::kTypeReadFromFile);
    message->setData(std::move(data));
    return message;
}

PlistValue dictionary(std::initializer_list<std::pair<const std::string, PlistValue>> entries) {
    return PlistValue(PlistValue::Dictionary(entries));
}

PlistValue array(std::initializer_list<PlistValue> elements) {
    return PlistValue(PlistValue::Array(elements));
}

} // namespace

TEST(FileMessage, ClassifiesCommandsByTheirExactShape) {
    auto mixed = messageWith(
        dictionary({{"command", "exclude-paths"}, {"paths", array({1, "/a", array({}), "/b"})}}));
    EXPECT_EQ(FileMessage::ReadExcludePaths(mixed.get()), (std::vector<std::string>{"/a", "/b"}));
    const std::pair<const char*, std::shared_ptr<FileMessage>> neither[] = {
        {"paths a string",
         messageWith(dictionary({{"command", "exclude-paths"}, {"paths", "/a"}}))},
        {"no command", messageWith(dictionary({{"paths", array({"/a"})}}))},
        {"other command",
         messageWith(dictionary({{"command", "Exclude-Paths"}, {"paths", array({})}}))},
        {"clear with a space", messageWith(dictionary({{"command", "clear-exclude-paths "}}))},
        {"data not a dictionary", messageWith(array({"clear-exclude-paths"}))},
        {"no message", nullptr},
    };
    for (const auto& [what, message] : neither) {
        EXPECT_EQ(FileMessage::ReadExcludePaths(message.get()), std::nullopt) << what;
        EXPECT_FALSE(FileMessage::ReadCancelExcludeRemovedPathsFromMessage(message.get())) << what;
    }
}

TEST(FileMessage, ReadsTheArchivesTheMainApplicationSends) {
    std::string folder = Sandbox::process().makeFolder("from-main");
    struct Case {
        std::string file;
        bool decodes;
        Paths exclude = std::nullopt;
        bool clear = false;
    } cases[] = {
        {"exclude-paths.bin", true,
         std::vector<std::string>{"/Users/ann/Library/Caches/com.example.Foo",
                                  "/Users/ann/Library/Préférences/com.example.Foo.plist",
                                  "/Users/ann/Library/Logs/Foo"},
         false},
        {"exclude-empty.bin", true, std::vector<std::string>{}, false},
        // A date and a URL among the paths are skipped like any other non-string.
        {"exclude-paths-with-objects.bin", true,
         std::vector<std::string>{"/Applications/Foo.app", "/Applications/Bar.app",
                                  "/Applications/Baz.app"},
         false},
        {"clear.bin", true, std::nullopt, true},
        {"clear-keyless-root.bin", true, std::nullopt, true},
        {"nested-shared-class.bin", true, std::nullopt, true},
        {"uid-out-of-range.bin", false},
        {"cycle.bin", false},
    };
    for (const auto& c : cases) {
        std::string bytes = readFile(archiveFile(c.file));
        ASSERT_FALSE(bytes.empty()) << c.file;
        std::string path = folder + "/" + c.file + ".msgforsahelp";
        writeFile(path, bytes);
        auto message = FileMessage::loadFromFile(path);
        EXPECT_FALSE(platform::FileSystem::itemExistsNoFollow(path)) << c.file;
        ASSERT_EQ(message != nullptr, c.decodes) << c.file;
        if (!message)
            continue;
        EXPECT_EQ(message->type(), FileMessage::kTypeReadFromFile);
        EXPECT_EQ(FileMessage::ReadExcludePaths(message.get()), c.exclude) << c.file;
        EXPECT_EQ(FileMessage::ReadCancelExcludeRemovedPathsFromMessage(message.get()), c.clear)
            << c.file;
    }

    auto nested = KeyedArchive::unarchive(readFile(archiveFile("nested-shared-class.bin")));
    PlistValue shared = array({true, -3, 2.5});
    EXPECT_EQ(nested, dictionary({{"command", "clear-exclude-paths"},
                                  {"extra", dictionary({{"a", shared}, {"b", shared}})}}));
}

TEST(FileMessage, TransmitsToTheRunningHelperOnly) {
    std::string folder = freshMessageFolder();
    auto workspace = std::make_shared<RecordingWorkspace>();
    ScopedWorkspace scope(workspace);
    auto message = FileMessage::CreateMessageForHelperToExcludeRemovedPaths({"/a/b", "/c"});

    EXPECT_FALSE(message->transmit());
    EXPECT_EQ(workspace->runningQueries,
              std::vector<std::string>{"com.halvorn.Sweepwise-SIII-Helper"});
    EXPECT_TRUE(workspace->opened.empty());
    EXPECT_TRUE(platform::FileSystem::contentsOfDirectory(folder)->empty());

    workspace->running = {{4321, "/Apps/Helper.app/Contents/MacOS/Helper"}};
    FileMessage::fileNamer() = MessageFileNamer(clockAt(700000000.5));
    ASSERT_TRUE(message->transmit());
    ASSERT_EQ(workspace->opened.size(), 1u);
    const auto& call = workspace->opened.front();
    EXPECT_EQ(call.path, folder + "/random_1-700000000.msgforsahelp");
    EXPECT_EQ(call.appPath, "/Apps/Helper.app/Contents/MacOS/Helper");
    EXPECT_EQ(call.deactivation, Workspace::Deactivation::KeepSenderActive);
    struct stat status {};
    ASSERT_EQ(stat(call.path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    auto received = FileMessage::loadFromFile(call.path);
    EXPECT_EQ(FileMessage::ReadExcludePaths(received.get()),
              (std::vector<std::string>{"/a/b", "/c"}));
    FileMessage::fileNamer() = MessageFileNamer();

    // Only commands for the helper are sent.
    auto readMessage = messageWith(*message->data());
    EXPECT_FALSE(readMessage->transmit());
    EXPECT_FALSE(std::make_shared<FileMessage>(FileMessage::kTypeForHelper)->transmit());
    EXPECT_EQ(workspace->opened.size(), 1u);
}
