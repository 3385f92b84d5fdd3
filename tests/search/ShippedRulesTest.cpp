#include "search/KnowledgeBaseTestSupport.h"

#include <gtest/gtest.h>

using namespace kb_test;
using remains_test::putFile;
using testing_support::makeDirs;
using testing_support::readFile;
using testing_support::Sandbox;

namespace {

// The application: an Electron shell named "Electron", known to the user as "Rocket
// Chat" (CFBundleName) or "Rocket" (CFBundleDisplayName), from the vendor "acme".
std::shared_ptr<const platform::Bundle> makeRocket() {
    const std::string path = Sandbox::process().makeFolder("app") + "/Rocket Chat.app";
    makeDirs(path + "/Contents");
    testing_support::writeFile(path + "/Contents/Info.plist", R"(<?xml version="1.0"?>
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>com.acme.Rocket</string>
<key>CFBundleExecutable</key><string>Electron</string>
<key>CFBundleName</key><string>Rocket Chat</string>
<key>CFBundleDisplayName</key><string>Rocket</string>
</dict></plist>)");
    return platform::Bundle::create(path);
}

std::string shippedDocument() {
    return readFile(std::string(SWEEPWISE_SOURCE_DIR) + "/resources/knowledge/default.xml");
}

} // namespace

// What real applications leave in the Library beyond the standard places, and the
// entries of other applications beside them that look alike.
TEST(ShippedRules, FindTheModernLeftoverPlacesByIdentifierAndNamesButNotLookalikes) {
    const std::vector<std::string> owned = {
        "HTTPStorages/com.acme.Rocket 8",
        "HTTPStorages/com.acme.Rocket.binarycookies 12",
        "WebKit/com.acme.Rocket 8",
        "Application Scripts/com.acme.Rocket.ShareExtension 9",
        "Containers/com.acme.Rocket.ShareExtension 9",
        "Saved Application State/com.acme.Rocket.Helper.savedState 8",
        "Preferences/ByHost/com.acme.Rocket.Helper.0A1B2C3D-0000-1111-2222-333344445555.plist 10",
        "Caches/com.acme.Rocket.ShipIt 8",
        "Preferences/com.acme.Rocket.Helper.plist 10",
        "Group Containers/K3WQ7TZ2PX.com.acme.Rocket 9",
        "Group Containers/ABCDE12345.Rocket 9",
        "Cookies/com.acme.Rocket.binarycookies 12",
        "Application Support/com.apple.sharedfilelist/"
        "com.apple.LSSharedFileList.ApplicationRecentDocuments/com.acme.rocket.sfl3 3",
        "Application Support/Acme/Rocket 3",
        "Caches/ACME/rocket 8",
        "Application Support/rocket chat 3",
        "Caches/com.acme.RocketLauncher 8",
    };
    const std::vector<std::string> foreign = {
        "Caches/com.acme.Rocket-helper",
        "Containers/com.acme.Rocketship.Extension",
        "Preferences/com.acme.Rocket2.plist",
        "Application Support/Other Vendor/Rocket",
        "Application Support/Acme/Anvil",
        "Group Containers/ABCDE12345.Rocketeer",
        "Logs/Some Tool/Rocket",
    };
    for (const auto& entry : owned) {
        const std::string path = library(entry.substr(0, entry.rfind(' ')));
        if (path.ends_with("cookies") || path.ends_with(".plist") || path.ends_with(".sfl3"))
            putFile(path, "x");
        else
            makeDirs(path);
    }
    for (const auto& entry : foreign)
        entry.ends_with(".plist") ? putFile(library(entry), "x") : makeDirs(library(entry));

    DownloadedContainer container(pack(shippedDocument()));
    auto info = KnowledgeBaseSimpleSearchInfo::generateForBundle(makeRocket());
    ASSERT_NE(info, nullptr);
    std::vector<std::string> items = found(*info, Sandbox::process().home() + "/Library");
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    EXPECT_EQ(items, sorted(owned));
}
