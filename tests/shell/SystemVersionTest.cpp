#include "shell/FullDiskAccessManager.h"
#include "shell/MacOSVersion.h"
#include "shell/SystemElementsReadableDescription.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(MacOSVersion, ComparesVersionsNumerically) {
    struct Case {
        std::optional<std::string> system;
        std::optional<std::string> asked;
        bool orLower;
        bool orHigher;
        bool answer;
    } cases[] = {
        {"10.15.7", "10.15", false, true, true},
        {"10.15", "10.15.7", false, false, false},
        {"10.9", "10.10", false, true, false},
        {"10.9", "10.10", true, false, true},
        {"13.0", "12.1", true, false, false},
        {"10.13", "10.14", true, true, true}, // both flags: always YES
        {"10.13", std::nullopt, false, false, true},
        {std::nullopt, "10.15", false, false, true}, // unknown system
    };
    for (const auto& c : cases) {
        MacOSVersion version(c.system);
        EXPECT_EQ(version.isMacOSHasVersion(c.asked, c.orLower, c.orHigher), c.answer)
            << c.system.value_or("none") << " vs " << c.asked.value_or("none");
    }
}

TEST(MacOSVersion, ReadsTheVersionFileUnderTheRoot) {
    std::string folder = Sandbox::process().root() + "/System/Library/CoreServices";
    EXPECT_EQ(MacOSVersion::readSystemVersion(), std::nullopt);
    makeDirs(folder);
    writeFile(folder + "/SystemVersion.plist", "<plist><dict><key>ProductVersion</key>");
    EXPECT_EQ(MacOSVersion::readSystemVersion(), std::nullopt);
    writeFile(folder + "/SystemVersion.plist",
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>ProductVersion</key>"
              "<string>14.2.1</string></dict></plist>");
    EXPECT_EQ(MacOSVersion::readSystemVersion(), "14.2.1");
}

TEST(SystemElementsReadableDescription, AdaptsTheTrashWording) {
    EXPECT_EQ(SystemElementsReadableDescription::adaptingTrashName(
                  "moved to Trash. Empty the trash.", "Bin"),
              "moved to Bin. Empty the bin.");
    EXPECT_EQ(SystemElementsReadableDescription::adaptingTrashName("TrashTrash trashy", "Bin"),
              "BinBin biny");
    // The version of this machine is unknown, which counts as the newest system.
    EXPECT_EQ(SystemElementsReadableDescription::trashName(), "Bin");
}

TEST(FullDiskAccessManager, GrantedOnlyWhenTheProbeFolderLists) {
    std::string probe = FullDiskAccessManager::probeDirectory();
    EXPECT_EQ(probe, Sandbox::process().home() + "/Library/Safari");
    MacOSVersion catalina("10.15.7");
    EXPECT_FALSE(FullDiskAccessManager::fullAccessGranted(catalina)); // missing
    makeDirs(probe);
    EXPECT_FALSE(FullDiskAccessManager::fullAccessGranted(catalina)); // empty
    writeFile(probe + "/History.db", "x");
    EXPECT_TRUE(FullDiskAccessManager::fullAccessGranted(catalina));
    removeTree(probe);
    // Before 10.14 there is nothing to grant.
    EXPECT_TRUE(FullDiskAccessManager::fullAccessGranted(MacOSVersion("10.13")));
    EXPECT_FALSE(FullDiskAccessManager().fullDiskAccessGranted());
}
