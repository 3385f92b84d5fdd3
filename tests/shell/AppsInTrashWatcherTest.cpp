#include "shell/AppsInTrashWatcher.h"

#include "TrashTestSupport.h"

#include <gtest/gtest.h>

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
