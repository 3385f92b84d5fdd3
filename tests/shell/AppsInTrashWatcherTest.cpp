#include "shell/AppsInTrashWatcher.h"

#include "TrashTestSupport.h"
#include "platform/Path.h"
#include "platform/TimeScale.h"
#include "shell/DirectoryWatcher.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;

TEST(AppsInTrashWatcherFinalTest, AcceptsOnlyApplicationsThatAreNotInsideBundlesAndHaveAnId) {
    const std::string base = Sandbox::process().makeFolder("final");
    const std::string id = "<key>CFBundleIdentifier</key><string>com.ex.id</string>";
    const std::tuple<std::string, std::optional<std::string>, bool> cases[] = {
        {"Good.app", id, true},
        {"Odd \n\xff\x01 name.app", id, true},
        {"NoPlist.app", std::nullopt, false},
        {"NoId.app", "<key>CFBundleName</key><string>NoId</string>", false},
        {"EmptyId.app", "<key>CFBundleIdentifier</key><string></string>", false},
        {"NumberId.app", "<key>CFBundleIdentifier</key><integer>7</integer>", false},
        {"Outer.app/Contents/Library/LoginItems/Inner.app", id, false},
        {"Pane.prefPane/Contents/Resources/Helper.app", id, false},
        {"NotAnApp.bundle", id, false},
    };
    makeDirs(base + "/Outer.app/Contents");
    writeFile(base + "/File.app", "not a folder");
    for (const auto& [name, dictionary, accepted] : cases) {
        makeDirs(base + "/" + name + "/Contents");
        if (dictionary)
            writeFile(base + "/" + name + "/Contents/Info.plist",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" +
                          *dictionary + "</dict></plist>");
    }
    for (const auto& [name, dictionary, accepted] : cases) {
        auto bundle = AppsInTrashWatcher::isReallyAppBundlePath(base + "/" + name);
        ASSERT_EQ(bundle != nullptr, accepted) << name;
        EXPECT_EQ(bundle ? bundle->bundleIdentifier() : "com.ex.id", "com.ex.id");
    }
    for (std::string path : {base + "/File.app", base + "/Missing.app", std::string()})
        EXPECT_EQ(AppsInTrashWatcher::isReallyAppBundlePath(path), nullptr) << path;
}

namespace {

class RecordingListener : public AppsInTrashWatcherListener {
public:
    void onAppMovedToTrash(const std::shared_ptr<platform::Bundle>& bundle) override {
        reports.push_back(bundle->bundlePath());
    }
    std::vector<std::string> reports;
};

// The sandbox's volumes and their Trashes, with the withheld access put back afterwards.
class TrashFoldersTest : public testing::Test {
protected:
    void SetUp() override { platform::setTimeScale(0.05); }
    void TearDown() override {
        platform::setTimeScale(1.0);
        unsetenv("SWEEPWISE_NO_FULL_DISK_ACCESS");
        removeTree(volumes);
        removeTree(Sandbox::process().root() + "/Applications");
    }

    bool waitForReports(std::size_t count) {
        return waitFor([&] { return listener->reports.size() >= count; });
    }

    const std::string uid = std::to_string(getuid());
    const std::string volumes = Sandbox::process().root() + "/Volumes";
    std::shared_ptr<RecordingListener> listener = std::make_shared<RecordingListener>();
};

} // namespace

// Every Trash a Linux desktop uses is watched, whatever name the Trash gives the bundle: the
// home Trash, a volume's own ".Trash-<uid>", and an administrator's shared ".Trash/<uid>" only
// when it is a real folder with the sticky bit.
TEST_F(TrashFoldersTest, WithAccessEveryTrashOfEveryVolumeIsWatched) {
    const std::string stick = volumes + "/Stick";
    const std::string shared = volumes + "/Shared";
    const std::string loose = volumes + "/Loose";
    makeDirs(stick + "/.Trash-" + uid + "/files");
    makeDirs(shared + "/.Trash/" + uid + "/files");
    chmod((shared + "/.Trash").c_str(), 01777);
    makeDirs(loose + "/.Trash/" + uid + "/files"); // no sticky bit: someone else's to fake
    const std::string home = Sandbox::process().trash();

    auto watcher = AppsInTrashWatcher::create(listener);
    ASSERT_TRUE(watcher->watchesTrashFolders());
    ASSERT_EQ(watcher->trashWatcher()->getPath(), home);
    std::vector<std::string> watched;
    for (const auto& place : watcher->watchedPlaces())
        watched.push_back(place.path);
    EXPECT_EQ(watched, (std::vector<std::string>{home, loose + "/.Trash-" + uid + "/files",
                                                 shared + "/.Trash-" + uid + "/files",
                                                 shared + "/.Trash/" + uid + "/files",
                                                 stick + "/.Trash-" + uid + "/files"}));

    const std::string outside = Sandbox::process().makeFolder("outside");
    const std::vector<std::string> arrivals = {home + "/Foo.app", home + "/Foo.2.app",
                                               stick + "/.Trash-" + uid + "/files/Bar.app",
                                               shared + "/.Trash/" + uid + "/files/Baz_1.app"};
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        makeApp(outside + "/App" + std::to_string(i) + ".app", "com.example.app");
        move(outside + "/App" + std::to_string(i) + ".app", arrivals[i]);
    }
    // trash-put names a second "Foo.app" "Foo.app_1"; the trash information says what it was.
    const std::string info = platform::Path::deletingLastComponent(home) + "/info";
    makeDirs(info);
    writeFile(info + "/Foo.app_1.trashinfo", "[Trash Info]\nPath=/elsewhere/Foo.app\n");
    writeFile(info + "/Plain_1.trashinfo", "[Trash Info]\nPath=/elsewhere/Plain\n");
    makeApp(outside + "/Renamed.app", "com.example.renamed");
    move(outside + "/Renamed.app", home + "/Foo.app_1");
    makeApp(outside + "/Plain.app", "com.example.plain");
    move(outside + "/Plain.app", home + "/Plain.app_1");
    makeApp(outside + "/Faked.app", "com.example.faked");
    move(outside + "/Faked.app", loose + "/.Trash/" + uid + "/files/Faked.app");
    ASSERT_TRUE(waitForReports(arrivals.size() + 1));
    runFor(std::chrono::milliseconds(300));
    std::vector<std::string> reports = listener->reports;
    std::sort(reports.begin(), reports.end());
    std::vector<std::string> expected = arrivals;
    expected.push_back(home + "/Foo.app_1");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(reports, expected);
    watcher.reset();
    for (const std::string& path :
         {home + "/Foo.app", home + "/Foo.2.app", home + "/Foo.app_1", home + "/Plain.app_1", info})
        removeTree(path);
}

// Without access, an application that leaves an applications folder for a volume's Trash is
// followed there too.
TEST_F(TrashFoldersTest, WithoutAccessTheApplicationsFoldersAreFollowedIntoEveryTrash) {
    setenv("SWEEPWISE_NO_FULL_DISK_ACCESS", "1", 1);
    const std::string applications = Sandbox::process().root() + "/Applications";
    const std::string volumeTrash = volumes + "/Stick/.Trash-" + uid + "/files";
    makeDirs(volumeTrash);
    makeApp(applications + "/Foo.app", "com.example.foo");
    makeApp(applications + "/Bar.app", "com.example.bar");

    auto watcher = AppsInTrashWatcher::create(listener);
    ASSERT_FALSE(watcher->watchesTrashFolders());
    ASSERT_TRUE(watcher->monitor());
    std::vector<AppsInTrashWatcher::WatchedPlace::Kind> kinds;
    for (const auto& place : watcher->watchedPlaces())
        kinds.push_back(place.kind);
    EXPECT_EQ(kinds, std::vector(2, AppsInTrashWatcher::WatchedPlace::Kind::ApplicationsFolder));

    move(applications + "/Foo.app", volumeTrash + "/Foo.app");
    move(applications + "/Bar.app", Sandbox::process().trash() + "/Bar.2.app");
    ASSERT_TRUE(waitForReports(2));
    std::vector<std::string> reports = listener->reports;
    std::sort(reports.begin(), reports.end());
    EXPECT_EQ(reports, (std::vector<std::string>{Sandbox::process().trash() + "/Bar.2.app",
                                                 volumeTrash + "/Foo.app"}));
    watcher.reset();
    removeTree(Sandbox::process().trash() + "/Bar.2.app");
}
