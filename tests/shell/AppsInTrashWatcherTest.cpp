#include "shell/AppsInTrashWatcher.h"

#include "TrashTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

TEST(AppsInTrashWatcher, WatchesTheTrashOnlyWithFullDiskAccessAndTheApplicationsOtherwise) {
    const std::string home = Sandbox::process().home();
    makeDirs(home + "/.Trash");
    makeDirs(Sandbox::process().root() + "/Applications");
    for (bool granted : {true, false}) {
        if (granted) {
            makeDirs(home + "/Library/Safari");
            writeFile(home + "/Library/Safari/History.db", "x");
        } else {
            removeTree(home + "/Library/Safari");
        }
        auto watcher = AppsInTrashWatcher::create(std::weak_ptr<AppsInTrashWatcherListener>());
        ASSERT_TRUE(watcher);
        EXPECT_EQ(watcher->trashWatcher() != nullptr, granted);
        EXPECT_EQ(watcher->monitor() != nullptr, !granted);
    }
}

TEST(AppsInTrashWatcherFinalTest, AcceptsOnlyApplicationsThatAreNotInsideBundlesAndHaveAnId) {
    const std::string base = Sandbox::process().makeFolder("final");
    const std::string id = "<key>CFBundleIdentifier</key><string>com.ex.id</string>";
    struct Case {
        std::string name;
        std::optional<std::string> dictionary; // no Info.plist when none
        bool accepted;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        makeDirs(base + "/" + c.name + "/Contents");
        if (c.dictionary)
            writeFile(base + "/" + c.name + "/Contents/Info.plist",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" +
                          *c.dictionary + "</dict></plist>");
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bundle = AppsInTrashWatcher::isReallyAppBundlePath(base + "/" + c.name);
        ASSERT_EQ(bundle != nullptr, c.accepted);
        if (bundle) {
            EXPECT_EQ(bundle->bundleIdentifier(), "com.ex.id");
        }
    }
    writeFile(base + "/File.app", "not a folder");
    for (const char* name : {"/File.app", "/Missing.app"})
        EXPECT_EQ(AppsInTrashWatcher::isReallyAppBundlePath(base + name), nullptr) << name;
    EXPECT_EQ(AppsInTrashWatcher::isReallyAppBundlePath(""), nullptr);
}
