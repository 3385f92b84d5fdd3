#include "FaultTestSupport.h"
#include "platform/TimeScale.h"
#include "search/FileItem.h"
#include "shell/AppDelegate.h"
#include "shell/AppsInTrashWatcher.h"
#include "shell/DirectoryWatcher.h"
#include "shell/PathsGenerator.h"
#include "shell/TrashTestSupport.h"

#include <cstdio>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// Fills `folder` with `count` entries: one in a thousand an application with an identifier,
// one in a hundred a folder holding a file, the rest empty files. Files are made relative to
// the folder's descriptor, which keeps a million entries to a few seconds.
void fillTrash(const std::string& folder, int count) {
    const int trash = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(trash, 0) << folder;
    char name[64];
    for (int entry = 0; entry < count && !testing::Test::HasFatalFailure(); ++entry) {
        if (entry % 1000 == 0) {
            std::snprintf(name, sizeof name, "Old App %06d.app", entry);
            makeApp(folder + "/" + name, "com.example.old" + std::to_string(entry));
        } else if (entry % 100 == 0) {
            std::snprintf(name, sizeof name, "Folder %06d", entry);
            ASSERT_EQ(mkdirat(trash, name, 0755), 0) << name;
            makeFileAt(trash, std::string(name) + "/notes.txt");
        } else {
            std::snprintf(name, sizeof name, "Document %06d.txt", entry);
            makeFileAt(trash, name);
        }
    }
    close(trash);
}

} // namespace

TEST(LoadTrash, AMillionEntriesAtStartAreListedSilentlyAndALateApplicationIsReportedOnce) {
    platform::setTimeScale(0.1);
    const std::string home = Sandbox::process().home();
    ScopedMemoryFileSystem memory(home, "size=1g,nr_inodes=0");
    const int entries = !memory.mounted() ? 20000 : kUnderThreadSanitizer ? 250000 : 1000000;
    if (entries != 1000000)
        std::printf("a Trash of %d entries (%s)\n", entries,
                    memory.mounted() ? "ThreadSanitizer" : "no memory file system: needs root");
    const std::string trash = PathsGenerator::GetInstance().buildTrashDirectory();
    makeDirs(trash);
    fillTrash(trash, entries);
    ASSERT_FALSE(HasFatalFailure());
    makeApp(home + "/Applications/Late.app", "com.example.late");
    const std::string ownBundle = Sandbox::process().makeFolder("own") + "/SweepwiseHelper.app";
    makeDirs(ownBundle);

    auto controller = std::make_shared<RecordingController>();
    auto delegate = AppDelegate::create([controller] { return controller; }, ownBundle);
    const std::uint64_t residentBefore = residentKiB();
    resetPeakResident();
    {
        Watchdog watchdog("starting with a million entries in the Trash", 120s);
        delegate->applicationDidFinishLaunching();
    }
    ASSERT_TRUE(delegate->trashWatcher() && delegate->trashWatcher()->trashWatcher());
    DirectoryWatcher& watcher = *delegate->trashWatcher()->trashWatcher();
    std::shared_ptr<FileItem> root = watcher.getFileItemWithPath(trash);
    ASSERT_TRUE(root && root->getChildren());
    EXPECT_EQ(root->getChildren()->size(), static_cast<std::size_t>(entries));

    Watchdog watchdog("the late application in a full Trash", 120s);
    // Whatever the start might wrongly schedule has had its time.
    runFor(DirectoryWatcher::kRefreshDelay + DirectoryWatcher::kFolderScanDelay);
    EXPECT_EQ(controller->shown, std::vector<std::string>{});
    EXPECT_EQ(watcher.refreshCount(), 0u);

    move(home + "/Applications/Late.app", trash + "/Late.app");
    ASSERT_TRUE(waitFor([&] { return !controller->shown.empty(); }));
    runFor(DirectoryWatcher::kRefreshDelay + DirectoryWatcher::kFolderScanDelay);
    EXPECT_EQ(controller->shown, std::vector<std::string>{trash + "/Late.app"});
    EXPECT_EQ(root->getChildren()->size(), static_cast<std::size_t>(entries) + 1);

    // About 300 bytes per entry for the tree, 100 more per name while a listing lasts; a second
    // tree or a listing kept per event would pass 512. ThreadSanitizer's shadow dwarfs the tree.
    const std::uint64_t peak = peakResidentKiB();
    ASSERT_GT(residentBefore, 0u);
    if (kResidentSetIsMeaningful) {
        EXPECT_LT(peak, residentBefore + 16 * 1024 + entries * 512ull / 1024)
            << residentBefore << " KiB before, at most " << peak << " KiB since";
    }
    delegate.reset();
    platform::setTimeScale(1.0);
    if (!memory.mounted())
        removeTree(trash);
}
