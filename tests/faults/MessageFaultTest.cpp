#include "FaultTestSupport.h"
#include "platform/FileSystem.h"
#include "shell/FileMessage.h"
#include "shell/MessageFiles.h"
#include "shell/PathForRemove.h"
#include "shell/WatcherMessage.h"

#include <functional>

using namespace testing_support;

namespace {

// Points the temporary folder, and so the message folder, elsewhere for the guard's life.
struct ScopedTemporaryFolder {
    explicit ScopedTemporaryFolder(const std::string& folder) {
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~ScopedTemporaryFolder() { setenv("TMPDIR", Sandbox::process().tmp().c_str(), 1); }
};

std::vector<std::string> entriesOf(const std::string& folder) {
    return platform::FileSystem::contentsOfDirectory(folder).value_or(std::vector<std::string>{});
}

WatcherMessage messageWithItems(int count) {
    std::vector<std::shared_ptr<PathForRemove>> items;
    for (int item = 0; item < count; ++item)
        items.push_back(PathForRemove::create("/Users/ann/Library/Caches/com.example.app" +
                                                  std::to_string(item),
                                              10, "com.example.app"));
    WatcherMessage message;
    message.setPathsForRemove(std::move(items));
    return message;
}

} // namespace

TEST(MessageFaults, AFullDiskFailsTheWriteAndLeavesNothingBehind) {
    std::string mountPoint = Sandbox::process().makeFolder("tiny");
    ScopedMemoryFileSystem disk(mountPoint, "size=64k");
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    ScopedTemporaryFolder temporary(mountPoint);
    auto folder = MessageFiles::createFolder();
    ASSERT_TRUE(folder);

    // Fill what is left, one page at a time, until the file system refuses.
    std::string filler = mountPoint + "/filler";
    FILE* file = std::fopen(filler.c_str(), "w");
    ASSERT_TRUE(file);
    std::setvbuf(file, nullptr, _IONBF, 0);
    const std::string page(4096, 'f');
    std::size_t written = 0;
    while (std::fwrite(page.data(), 1, page.size(), file) == page.size())
        written += page.size();
    std::fclose(file);

    EXPECT_FALSE(messageWithItems(200).saveForTransmit());
    std::vector<std::string> paths(200, "/Applications/Example.app/Contents/Resources/x");
    auto command = FileMessage::CreateMessageForHelperToExcludeRemovedPaths(paths);
    ASSERT_TRUE(command);
    EXPECT_FALSE(command->saveToFile());
    EXPECT_EQ(entriesOf(*folder), std::vector<std::string>{});

    EXPECT_EQ(std::filesystem::file_size(filler), written) << "the filler changed";
}

TEST(MessageFaults, AMessageFolderThatIsNotPrivatelyOursIsNeverWrittenTo) {
    struct Case {
        const char* name;
        bool needsRoot;
        std::function<void(const std::string& folder, const std::string& elsewhere)> prepare;
    };
    const std::vector<Case> cases = {
        {"a folder owned by another user", true,
         [](auto& folder, auto&) {
             makeDirs(folder);
             ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
             ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
         }},
        {"a link to a folder elsewhere", false,
         [](auto& folder, auto& elsewhere) { makeLink(elsewhere, folder); }},
        {"a link to a missing folder", false,
         [](auto& folder, auto& elsewhere) { makeLink(elsewhere + "/missing", folder); }},
        {"a file", false, [](auto& folder, auto&) { writeFile(folder, "x"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && geteuid() != 0)
            continue;
        std::string temporaryFolder = Sandbox::process().makeFolder("foreign");
        std::string elsewhere = Sandbox::process().makeFolder("elsewhere");
        ScopedTemporaryFolder temporary(temporaryFolder);
        const std::string folder = MessageFiles::folderPath();
        c.prepare(folder, elsewhere);
        struct stat before {};
        ASSERT_EQ(lstat(folder.c_str(), &before), 0);

        EXPECT_FALSE(messageWithItems(1).saveForTransmit());
        auto command = FileMessage::CreateMessageForHelperToCancelExcludeRemovedPaths();
        ASSERT_TRUE(command);
        EXPECT_FALSE(command->saveToFile());

        EXPECT_EQ(entriesOf(elsewhere), std::vector<std::string>{});
        struct stat after {};
        ASSERT_EQ(lstat(folder.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        if (S_ISDIR(after.st_mode)) {
            EXPECT_EQ(entriesOf(folder), std::vector<std::string>{});
        }
    }
}

TEST(MessageFaults, TenThousandExclusionCommandsAreReadAndDeletedWithBoundedMemory) {
    // Every message is synced as it is written: minutes for ten thousand on a disk.
    std::string temporaryFolder = Sandbox::process().makeFolder("commands");
    ScopedMemoryFileSystem memory(temporaryFolder, "size=64m");
    const int kCommands = memory.mounted() ? 10000 : 500;
    ScopedTemporaryFolder temporary(temporaryFolder);
    Watchdog watchdog("reading 10,000 commands", std::chrono::seconds(120));
    std::vector<std::string> files;
    files.reserve(kCommands);
    for (int index = 0; index < kCommands; ++index) {
        auto command = index % 10 == 9
                           ? FileMessage::CreateMessageForHelperToCancelExcludeRemovedPaths()
                           : FileMessage::CreateMessageForHelperToExcludeRemovedPaths(
                                 {"/Applications/App " + std::to_string(index) + ".app"});
        ASSERT_TRUE(command);
        auto path = command->saveToFile();
        ASSERT_TRUE(path) << index;
        files.push_back(*path);
    }
    std::uint64_t residentBefore = 0;

    int excludes = 0;
    int clears = 0;
    for (int index = 0; index < kCommands; ++index) {
        // The first tenth warms up the allocator and the sanitizers' bookkeeping.
        if (index == kCommands / 10)
            residentBefore = residentKiB();
        auto message = FileMessage::loadFromFile(files[index]);
        ASSERT_TRUE(message) << files[index];
        if (auto paths = FileMessage::ReadExcludePaths(message.get())) {
            ASSERT_EQ(paths->size(), 1u);
            EXPECT_EQ((*paths)[0], "/Applications/App " + std::to_string(index) + ".app");
            ++excludes;
        } else if (FileMessage::ReadCancelExcludeRemovedPathsFromMessage(message.get())) {
            ++clears;
        }
    }
    EXPECT_EQ(excludes, kCommands / 10 * 9);
    EXPECT_EQ(clears, kCommands / 10);
    EXPECT_EQ(entriesOf(MessageFiles::folderPath()), std::vector<std::string>{});
    // 4 MiB is allocator slack; keeping each decoded message (a kilobyte) would take twice that.
    if (kResidentSetIsMeaningful) {
        EXPECT_LT(residentKiB(), residentBefore + 4 * 1024);
    }
}
