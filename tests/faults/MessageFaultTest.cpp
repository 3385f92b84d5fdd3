#include "FaultTestSupport.h"
#include "platform/FileSystem.h"
#include "support/ThreadTestSupport.h"
#include "shell/FileMessage.h"
#include "shell/MessageFiles.h"
#include "shell/PathForRemove.h"
#include "shell/WatcherMessage.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <vector>

using namespace testing_support;

namespace {

// Points the temporary folder, and so the message folder, somewhere else for one test.
class ScopedTemporaryFolder {
public:
    explicit ScopedTemporaryFolder(const std::string& folder) {
        if (const char* value = std::getenv("TMPDIR"))
            m_saved = value;
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~ScopedTemporaryFolder() {
        if (m_saved)
            setenv("TMPDIR", m_saved->c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

private:
    std::optional<std::string> m_saved;
};

std::vector<std::string> entriesOf(const std::string& folder) {
    auto entries = platform::FileSystem::contentsOfDirectory(folder);
    return entries ? *entries : std::vector<std::string>{};
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

// The message folder lives on a full file system: both kinds of message fail to be written,
// leave no partial or temporary file behind and do not touch what filled the disk.
TEST(MessageFaults, AFullDiskFailsTheWriteAndLeavesNothingBehind) {
    std::string mountPoint = Sandbox::process().makeFolder("tiny");
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here (needs root): "
                     << std::strerror(errno);
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
    struct stat before {};
    ASSERT_EQ(stat(filler.c_str(), &before), 0);

    EXPECT_FALSE(messageWithItems(200).saveForTransmit());
    std::vector<std::string> paths(200, "/Applications/Example.app/Contents/Resources/x");
    auto command = FileMessage::CreateMessageForHelperToExcludeRemovedPaths(paths);
    ASSERT_TRUE(command);
    EXPECT_FALSE(command->saveToFile());
    EXPECT_EQ(entriesOf(*folder), std::vector<std::string>{});

    struct stat after {};
    ASSERT_EQ(stat(filler.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(static_cast<std::size_t>(after.st_size), written);
    EXPECT_EQ(umount2(mountPoint.c_str(), MNT_DETACH), 0);
}

// A message folder that someone else made first is refused: nothing is written into it,
// nothing through it, and it is not taken over.
TEST(MessageFaults, AMessageFolderThatIsNotPrivatelyOursIsNeverWrittenTo) {
    struct Case {
        const char* name;
        std::function<void(const std::string& folder, const std::string& elsewhere)> prepare;
        bool needsRoot;
    };
    const std::vector<Case> cases = {
        {"a folder owned by another user",
         [](const std::string& folder, const std::string&) {
             makeDirs(folder);
             ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
             ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
         },
         true},
        {"a link to a folder elsewhere",
         [](const std::string& folder, const std::string& elsewhere) {
             ASSERT_EQ(symlink(elsewhere.c_str(), folder.c_str()), 0);
         },
         false},
        {"a link to a missing folder",
         [](const std::string& folder, const std::string& elsewhere) {
             ASSERT_EQ(symlink((elsewhere + "/missing").c_str(), folder.c_str()), 0);
         },
         false},
        {"a file", [](const std::string& folder, const std::string&) { writeFile(folder, "x"); },
         false},
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

// Ten thousand exclusion commands arrive as files: each is read, decoded and deleted, and
// reading them does not make the process grow.
TEST(MessageFaults, TenThousandExclusionCommandsAreReadAndDeletedWithBoundedMemory) {
    // Every message is synced to disk as it is written, which takes a disk some minutes for
    // ten thousand; a memory file system, where a sync costs nothing, keeps the test short.
    std::string temporaryFolder = Sandbox::process().makeFolder("commands");
    const bool inMemory = mount("tmpfs", temporaryFolder.c_str(), "tmpfs", 0, "size=64m") == 0;
    const int kCommands = inMemory ? 10000 : 500;
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
    // Reading keeps nothing per message. 4 MiB over the last nine tenths is slack for the
    // allocator; keeping each decoded message (about a kilobyte) would take twice that.
    if (kResidentSetIsMeaningful) {
        EXPECT_LT(residentKiB(), residentBefore + 4 * 1024);
    }
    if (inMemory) {
        EXPECT_EQ(umount2(temporaryFolder.c_str(), MNT_DETACH), 0);
    }
}
